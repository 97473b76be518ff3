#include "PowerPointModel.h"

#include "HostError.h"
#include "HostIds.h"

namespace carvelo::host {

using namespace carvelo::com;

int TShape::Type() const { return shape_.GetProperty(L"Type").ToInt(); }
float TShape::Width() const { return shape_.GetProperty(L"Width").ToSingle(); }
float TShape::Height() const { return shape_.GetProperty(L"Height").ToSingle(); }
float TShape::Top() const { return shape_.GetProperty(L"Top").ToSingle(); }
float TShape::Left() const { return shape_.GetProperty(L"Left").ToSingle(); }
void TShape::SetWidth(float width) const { shape_.PutProperty(L"Width", TVariant::Single(width)); }
void TShape::SetHeight(float height) const { shape_.PutProperty(L"Height", TVariant::Single(height)); }
void TShape::Copy() const { shape_.CallMethod(L"Copy"); }
void TShape::ScaleHeight(float factor, int relativeToOriginalSize, int scaleFrom) const {
  shape_.CallMethod(L"ScaleHeight",
                    {TVariant::Single(factor), TVariant::Int(relativeToOriginalSize), TVariant::Int(scaleFrom)});
}
void TShape::ScaleWidth(float factor, int relativeToOriginalSize, int scaleFrom) const {
  shape_.CallMethod(L"ScaleWidth",
                    {TVariant::Single(factor), TVariant::Int(relativeToOriginalSize), TVariant::Int(scaleFrom)});
}
void TShape::Delete() const { shape_.CallMethod(L"Delete"); }
void TShape::Select() const {
  if (shape_.HasMember(L"Select")) shape_.CallMethod(L"Select", {TVariant::Int(msoTrue)});
}
int TShape::LockAspectRatio() const { return shape_.GetProperty(L"LockAspectRatio").ToInt(); }
void TShape::SetLockAspectRatio(int value) const { shape_.PutProperty(L"LockAspectRatio", TVariant::Int(value)); }

int TShape::PlaceholderContainedType() const {
  return shape_.Object(L"PlaceholderFormat").GetProperty(L"ContainedType").ToInt();
}
bool TShape::SameAs(const TShape& other) const {
  if (Has(L"Id") && other.Has(L"Id")) return Id() == other.Id();
  // COM identity: one object answers one IUnknown.
  ComPtr<IUnknown> a, b;
  if (FAILED(Get()->QueryInterface(IID_IUnknown, a.PutVoid())) ||
      FAILED(other.Get()->QueryInterface(IID_IUnknown, b.PutVoid())))
    return false;
  return a.Get() == b.Get();
}
int TShape::Id() const { return shape_.GetProperty(L"Id").ToInt(); }
std::wstring TShape::Name() const { return shape_.GetProperty(L"Name").ToText(); }
void TShape::SetName(std::wstring_view name) const { shape_.PutProperty(L"Name", TVariant::Text(name)); }
std::wstring TShape::AlternativeText() const { return shape_.GetProperty(L"AlternativeText").ToText(); }
void TShape::SetAlternativeText(std::wstring_view text) const {
  shape_.PutProperty(L"AlternativeText", TVariant::Text(text));
}
std::wstring TShape::Title() const { return shape_.GetProperty(L"Title").ToText(); }
void TShape::SetTitle(std::wstring_view text) const { shape_.PutProperty(L"Title", TVariant::Text(text)); }
float TShape::Rotation() const { return shape_.GetProperty(L"Rotation").ToSingle(); }
void TShape::SetRotation(float degrees) const { shape_.PutProperty(L"Rotation", TVariant::Single(degrees)); }
int TShape::HorizontalFlip() const { return shape_.GetProperty(L"HorizontalFlip").ToInt(); }
int TShape::VerticalFlip() const { return shape_.GetProperty(L"VerticalFlip").ToInt(); }
void TShape::Flip(int flipCommand) const { shape_.CallMethod(L"Flip", {TVariant::Int(flipCommand)}); }
int TShape::ZOrderPosition() const { return shape_.GetProperty(L"ZOrderPosition").ToInt(); }
void TShape::ZOrder(int zOrderCommand) const { shape_.CallMethod(L"ZOrder", {TVariant::Int(zOrderCommand)}); }
TTags TShape::Tags() const { return TTags(shape_.Object(L"Tags")); }
TActionSetting TShape::ActionSettings(int activation) const {
  return TActionSetting(shape_.Object(L"ActionSettings").Object(L"Item", {TVariant::Int(activation)}));
}

TLineLook TShape::Line() const {
  const TDispatch line = shape_.Object(L"Line");
  return {line.GetProperty(L"Visible").ToInt(), line.GetProperty(L"Weight").ToSingle(),
          line.Object(L"ForeColor").GetProperty(L"RGB").ToInt(), line.GetProperty(L"DashStyle").ToInt()};
}
void TShape::SetLine(const TLineLook& look) const {
  const TDispatch line = shape_.Object(L"Line");
  line.PutProperty(L"Visible", TVariant::Int(look.visible));
  line.PutProperty(L"Weight", TVariant::Single(look.weight));
  line.Object(L"ForeColor").PutProperty(L"RGB", TVariant::Int(look.rgb));
  line.PutProperty(L"DashStyle", TVariant::Int(look.dashStyle));
}
TShadowLook TShape::Shadow() const {
  const TDispatch shadow = shape_.Object(L"Shadow");
  return {shadow.GetProperty(L"Visible").ToInt(), shadow.GetProperty(L"OffsetX").ToSingle(),
          shadow.GetProperty(L"OffsetY").ToSingle()};
}
void TShape::SetShadow(const TShadowLook& look) const {
  const TDispatch shadow = shape_.Object(L"Shadow");
  shadow.PutProperty(L"Visible", TVariant::Int(look.visible));
  shadow.PutProperty(L"OffsetX", TVariant::Single(look.offsetX));
  shadow.PutProperty(L"OffsetY", TVariant::Single(look.offsetY));
}

int TTags::Count() const { return tags_.GetProperty(L"Count").ToInt(); }
std::wstring TTags::Name(int index) const { return tags_.Fetch(L"Name", {TVariant::Int(index)}).ToText(); }
std::wstring TTags::Value(int index) const { return tags_.Fetch(L"Value", {TVariant::Int(index)}).ToText(); }
void TTags::Add(std::wstring_view name, std::wstring_view value) const {
  tags_.CallMethod(L"Add", {TVariant::Text(name), TVariant::Text(value)});
}

std::wstring THyperlink::Address() const { return link_.GetProperty(L"Address").ToText(); }
std::wstring THyperlink::SubAddress() const { return link_.GetProperty(L"SubAddress").ToText(); }
std::wstring THyperlink::ScreenTip() const { return link_.GetProperty(L"ScreenTip").ToText(); }
void THyperlink::SetAddress(std::wstring_view text) const { link_.PutProperty(L"Address", TVariant::Text(text)); }
void THyperlink::SetSubAddress(std::wstring_view text) const {
  link_.PutProperty(L"SubAddress", TVariant::Text(text));
}
void THyperlink::SetScreenTip(std::wstring_view text) const { link_.PutProperty(L"ScreenTip", TVariant::Text(text)); }

int TActionSetting::Action() const { return setting_.GetProperty(L"Action").ToInt(); }
void TActionSetting::SetAction(int action) const { setting_.PutProperty(L"Action", TVariant::Int(action)); }
std::wstring TActionSetting::Run() const { return setting_.GetProperty(L"Run").ToText(); }
void TActionSetting::SetRun(std::wstring_view text) const { setting_.PutProperty(L"Run", TVariant::Text(text)); }
THyperlink TActionSetting::Hyperlink() const { return THyperlink(setting_.Object(L"Hyperlink")); }

TShape TEffect::Shape() const { return TShape(effect_.Object(L"Shape")); }
void TEffect::SetShape(const TShape& shape) const {
  effect_.PutProperty(L"Shape", TVariant::Object(shape.Get()));
}
TShape TEffect::TriggerShape() const { return TShape(effect_.Object(L"Timing").Object(L"TriggerShape")); }
void TEffect::SetTriggerShape(const TShape& shape) const {
  effect_.Object(L"Timing").PutProperty(L"TriggerShape", TVariant::Object(shape.Get()));
}

int TSequence::Count() const { return sequence_.GetProperty(L"Count").ToInt(); }
TEffect TSequence::Item(int index) const { return TEffect(sequence_.Object(L"Item", {TVariant::Int(index)})); }

TSequence TTimeLine::MainSequence() const { return TSequence(timeLine_.Object(L"MainSequence")); }
int TTimeLine::InteractiveSequenceCount() const {
  return timeLine_.Object(L"InteractiveSequences").GetProperty(L"Count").ToInt();
}
TSequence TTimeLine::InteractiveSequence(int index) const {
  return TSequence(timeLine_.Object(L"InteractiveSequences").Object(L"Item", {TVariant::Int(index)}));
}

int TShapeRange::Count() const { return range_.GetProperty(L"Count").ToInt(); }
int TShapeRange::Type() const { return range_.GetProperty(L"Type").ToInt(); }
TShape TShapeRange::Item(int index) const { return TShape(range_.Object(L"Item", {TVariant::Int(index)})); }
void TShapeRange::SetTop(float top) const { range_.PutProperty(L"Top", TVariant::Single(top)); }
void TShapeRange::SetLeft(float left) const { range_.PutProperty(L"Left", TVariant::Single(left)); }
void TShapeRange::SetWidth(float width) const { range_.PutProperty(L"Width", TVariant::Single(width)); }
void TShapeRange::SetHeight(float height) const { range_.PutProperty(L"Height", TVariant::Single(height)); }
int TShapeRange::LockAspectRatio() const { return range_.GetProperty(L"LockAspectRatio").ToInt(); }
void TShapeRange::SetLockAspectRatio(int value) const {
  range_.PutProperty(L"LockAspectRatio", TVariant::Int(value));
}

int TSlideRange::SlideID() const { return range_.GetProperty(L"SlideID").ToInt(); }

int TSelection::Type() const { return selection_.GetProperty(L"Type").ToInt(); }
TShapeRange TSelection::ShapeRange() const { return TShapeRange(selection_.Object(L"ShapeRange")); }
TSlideRange TSelection::SlideRange() const { return TSlideRange(selection_.Object(L"SlideRange")); }

int TPane::ViewType() const { return pane_.GetProperty(L"ViewType").ToInt(); }

TSelection TDocumentWindow::Selection() const { return TSelection(window_.Object(L"Selection")); }
int TDocumentWindow::ViewType() const { return window_.GetProperty(L"ViewType").ToInt(); }
TPane TDocumentWindow::ActivePane() const { return TPane(window_.Object(L"ActivePane")); }

TShapeRange TShapes::Paste() const {
  ComPtr<IDispatch> pasted = shapes_.CallMethod(L"Paste").ToObject();
  if (!pasted) throw EHostError(E_POINTER, "Shapes.Paste gave Nothing");
  return TShapeRange(TDispatch(std::move(pasted)));
}

TShapeRange TShapes::PasteSpecial(int dataType) const {
  ComPtr<IDispatch> pasted = shapes_.CallMethod(L"PasteSpecial", {TVariant::Int(dataType)}).ToObject();
  if (!pasted) throw EHostError(E_POINTER, "Shapes.PasteSpecial gave Nothing");
  return TShapeRange(TDispatch(std::move(pasted)));
}

TShape TShapes::AddPicture(const std::wstring& file, float left, float top, float width, float height) const {
  const TVariant name = TVariant::Text(file), link = TVariant::Int(msoFalse), save = TVariant::Int(msoTrue);
  const TVariant l = TVariant::Single(left), t = TVariant::Single(top);
  const TVariant w = TVariant::Single(width), h = TVariant::Single(height);
  // AddPicture2 (newer hosts) can leave the picture uncompressed.
  const TVariant added = shapes_.HasMember(L"AddPicture2")
                             ? shapes_.CallMethod(L"AddPicture2", {name, link, save, l, t, w, h,
                                                                   TVariant::Int(msoPictureCompressFalse)})
                             : shapes_.CallMethod(L"AddPicture", {name, link, save, l, t, w, h});
  ComPtr<IDispatch> picture = added.ToObject();
  if (!picture) throw EHostError(E_POINTER, "Shapes.AddPicture gave Nothing");
  return TShape(TDispatch(std::move(picture)));
}

int TShapes::Count() const { return shapes_.GetProperty(L"Count").ToInt(); }
TShape TShapes::Item(int index) const { return TShape(shapes_.Object(L"Item", {TVariant::Int(index)})); }

int TSlide::SlideIndex() const { return slide_.GetProperty(L"SlideIndex").ToInt(); }
TShapes TSlide::Shapes() const { return TShapes(slide_.Object(L"Shapes")); }
TTimeLine TSlide::TimeLine() const { return TTimeLine(slide_.Object(L"TimeLine")); }

TSlide TSlides::FindBySlideID(int slideId) const {
  return TSlide(slides_.Object(L"FindBySlideID", {TVariant::Int(slideId)}));
}
TSlide TSlides::Item(int index) const { return TSlide(slides_.Object(L"Item", {TVariant::Int(index)})); }

TSlides TPresentation::Slides() const { return TSlides(presentation_.Object(L"Slides")); }

}  // namespace carvelo::host
