#include "OfficeCommandBars.h"

#include "HostError.h"
#include "HostIds.h"

namespace carvelo::host {

using namespace carvelo::com;

namespace {
TDispatch Through(const ComPtr<IDispatch>& object, REFIID iid, const char* what) {
  if (!object) throw EHostError(E_POINTER, std::string(what) + " is Nothing");
  ComPtr<IDispatch> typed;
  Check(object->QueryInterface(iid, typed.PutVoid()), what);
  return TDispatch(std::move(typed));
}
}  // namespace

TCommandBarButton::TCommandBarButton(const TDispatch& control)
    : button_(Through(ComPtr<IDispatch>(control.Get()), IID_CommandBarButton, "CommandBarButton")) {}

std::wstring TCommandBarButton::Tag() const { return button_.GetProperty(L"Tag").ToText(); }
void TCommandBarButton::SetTag(std::wstring_view tag) const { button_.PutProperty(L"Tag", TVariant::Text(tag)); }
std::wstring TCommandBarButton::TooltipText() const { return button_.GetProperty(L"TooltipText").ToText(); }
void TCommandBarButton::SetTooltipText(std::wstring_view text) const {
  button_.PutProperty(L"TooltipText", TVariant::Text(text));
}
std::wstring TCommandBarButton::Caption() const { return button_.GetProperty(L"Caption").ToText(); }
void TCommandBarButton::SetCaption(std::wstring_view caption) const {
  button_.PutProperty(L"Caption", TVariant::Text(caption));
}
int TCommandBarButton::Style() const { return button_.GetProperty(L"Style").ToInt(); }
void TCommandBarButton::SetStyle(int style) const { button_.PutProperty(L"Style", TVariant::Int(style)); }
int TCommandBarButton::FaceId() const { return button_.GetProperty(L"FaceId").ToInt(); }
void TCommandBarButton::SetFaceId(int faceId) const { button_.PutProperty(L"FaceId", TVariant::Int(faceId)); }
bool TCommandBarButton::Enabled() const { return button_.GetProperty(L"Enabled").ToBool(); }
void TCommandBarButton::SetEnabled(bool enabled) const {
  button_.PutProperty(L"Enabled", TVariant::Bool(enabled));
}

int TCommandBarControls::Count() const { return controls_.GetProperty(L"Count").ToInt(); }
TDispatch TCommandBarControls::Item(int index) const { return controls_.Object(L"Item", {TVariant::Int(index)}); }
TDispatch TCommandBarControls::Add(int type, int id, int parameter, int before, bool temporary) const {
  ComPtr<IDispatch> control = controls_
                                  .CallMethod(L"Add", {TVariant::Int(type), TVariant::Int(id), TVariant::Int(parameter),
                                                       TVariant::Int(before), TVariant::Bool(temporary)})
                                  .ToObject();
  if (!control) throw EHostError(E_POINTER, "Controls.Add gave Nothing");
  return TDispatch(std::move(control));
}

std::wstring TCommandBar::Name() const { return bar_.GetProperty(L"Name").ToText(); }
bool TCommandBar::Visible() const { return bar_.GetProperty(L"Visible").ToBool(); }
void TCommandBar::SetVisible(bool visible) const { bar_.PutProperty(L"Visible", TVariant::Bool(visible)); }
int TCommandBar::Position() const { return bar_.GetProperty(L"Position").ToInt(); }
TCommandBarControls TCommandBar::Controls() const { return TCommandBarControls(bar_.Object(L"Controls")); }

TDispatch TCommandBar::FindControl(int type, int id, std::wstring_view tag, bool visible, bool recursive) const {
  return TDispatch(bar_.CallMethod(L"FindControl", {TVariant::Int(type), TVariant::Int(id), TVariant::Text(tag),
                                                    TVariant::Bool(visible), TVariant::Bool(recursive)})
                       .ToObject());
}

void TCommandBar::Delete() const { bar_.CallMethod(L"Delete"); }

TCommandBars::TCommandBars(const ComPtr<IDispatch>& bars) : bars_(Through(bars, IID_CommandBars, "CommandBars")) {}

int TCommandBars::Count() const { return bars_.GetProperty(L"Count").ToInt(); }
TCommandBar TCommandBars::Item(int index) const { return TCommandBar(bars_.Object(L"Item", {TVariant::Int(index)})); }

TCommandBar TCommandBars::Add(std::wstring_view name, int position, bool menuBar, bool temporary) const {
  ComPtr<IDispatch> bar =
      bars_.CallMethod(L"Add", {TVariant::Text(name), TVariant::Int(position), TVariant::Bool(menuBar),
                                TVariant::Bool(temporary)})
          .ToObject();
  if (!bar) throw EHostError(E_POINTER, "CommandBars.Add gave Nothing");
  return TCommandBar(TDispatch(std::move(bar)));
}

}  // namespace carvelo::host
