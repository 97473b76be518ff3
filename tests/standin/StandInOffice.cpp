#include "StandInOffice.h"

#include <algorithm>

#include "HostIds.h"

namespace carvelo::standin {

using namespace carvelo::com;
using namespace carvelo::host;

namespace {
enum : DISPID {
  idItem = DISPID_VALUE,
  idCount = 1,
  idAdd,
  idName,
  idVisible,
  idPosition,
  idControls,
  idFindControl,
  idDelete,
  idBuiltIn,
  idCaption,
  idTag,
  idTooltipText,
  idStyle,
  idFaceId,
  idEnabled,
  idType,
  idId,
  idExecute,
  idIndex,
};

// Office's "Invalid procedure call or argument".
constexpr HRESULT kInvalidCall = static_cast<HRESULT>(0x800A0005);
// Using a control or bar after it was deleted.
constexpr HRESULT kObjectDeleted = static_cast<HRESULT>(0x800A01A8);

void CheckAlive(bool deleted, const wchar_t* what) {
  if (deleted) Raise(kObjectDeleted, std::wstring(what) + L": the object has been deleted.");
}

bool Bool(const TVariant& v) { return v.ToBool(); }
}  // namespace

// ---- button ----

TStandInButton::TStandInButton(TStandInBar* bar, TButtonState state, bool temporary)
    : TStandInObject(&IID_CommandBarButton, &DIID_CommandBarButtonEvents),
      bar_(bar),
      state_(std::move(state)),
      temporary_(temporary) {}

std::span<const TMember> TStandInButton::Members() const {
  static const TMember members[] = {
      {L"Caption", idCaption}, {L"Tag", idTag},       {L"TooltipText", idTooltipText}, {L"Style", idStyle},
      {L"FaceId", idFaceId},   {L"Enabled", idEnabled}, {L"Visible", idVisible},        {L"Type", idType},
      {L"Id", idId},           {L"Delete", idDelete},   {L"Execute", idExecute},        {L"Index", idIndex},
  };
  return members;
}

void TStandInButton::Changed() {
  if (bar_) bar_->Changed();
}

TVariant TStandInButton::Call(DISPID id, const TArgs& args) {
  CheckAlive(Deleted(), L"CommandBarButton");
  auto text = [&](std::wstring& field) {
    if (args.IsPut()) {
      field = args.Value().ToText();
      Changed();
      return TVariant();
    }
    return TVariant::Text(field);
  };
  switch (id) {
    case idCaption: return text(state_.caption);
    case idTag: return text(state_.tag);
    case idTooltipText: return text(state_.tooltip);
    case idStyle:
      if (!args.IsPut()) return TVariant::Int(state_.style);
      state_.style = args.Value().ToInt();
      Changed();
      return {};
    case idFaceId:
      if (!args.IsPut()) return TVariant::Int(state_.faceId);
      state_.faceId = args.Value().ToInt();
      Changed();
      return {};
    case idEnabled:
      if (!args.IsPut()) return TVariant::Bool(state_.enabled);
      state_.enabled = Bool(args.Value());
      bar_->NoteEnabledWrite(state_.tag, state_.enabled);
      Changed();
      return {};
    case idVisible:
      if (!args.IsPut()) return TVariant::Bool(state_.visible);
      state_.visible = Bool(args.Value());
      Changed();
      return {};
    case idType: return TVariant::Int(msoControlButton);
    case idId: return TVariant::Int(1);
    case idIndex: {
      const auto& buttons = bar_->Buttons();
      const auto it = std::find_if(buttons.begin(), buttons.end(), [&](const auto& b) { return b.Get() == this; });
      return TVariant::Int(static_cast<int>(it - buttons.begin()) + 1);
    }
    case idExecute: Click(); return {};
    case idDelete: bar_->RemoveButton(this); return {};
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

TStandInButton::TClickOutcome TStandInButton::Click() {
  TClickOutcome outcome;
  // Click(Ctrl, CancelDefault): last argument first.
  VARIANTARG args[2];
  V_VT(&args[1]) = VT_DISPATCH;
  V_DISPATCH(&args[1]) = Dispatch();
  V_VT(&args[0]) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&args[0]) = &outcome.cancelDefault;
  ComPtr<TStandInButton> keepAlive(this);
  outcome.answers = FireEvent(DISPID_CommandBarButtonClick, args);
  return outcome;
}

// ---- controls ----

std::span<const TMember> TStandInControls::Members() const {
  static const TMember members[] = {{L"Item", idItem}, {L"Count", idCount}, {L"Add", idAdd}};
  return members;
}

TVariant TStandInControls::Call(DISPID id, const TArgs& args) {
  CheckAlive(bar_ == nullptr, L"CommandBarControls");
  const auto& buttons = bar_->Buttons();
  const int count = static_cast<int>(buttons.size());
  switch (id) {
    case idCount: return TVariant::Int(count);
    case idItem: {
      const int index = args.Required(0).ToInt();
      if (index < 1 || index > count) RaiseBadIndex(L"CommandBarControls", index, count);
      return ObjectValue(buttons[index - 1]);
    }
    case idAdd: {
      // Add(Type, Id, Parameter, Before, Temporary), all optional.
      const int type = args.Opt(0).IsMissing() ? msoControlButton : args.Opt(0).ToInt();
      const int controlId = args.Opt(1).IsMissing() ? 1 : args.Opt(1).ToInt();
      const int before = args.Opt(3).IsMissing() ? count + 1 : args.Opt(3).ToInt();
      const bool temporary = !args.Opt(4).IsMissing() && args.Opt(4).ToBool();
      if (type != msoControlButton || controlId != 1)
        Raise(kInvalidCall, L"Only blank custom buttons are offered by this host.");
      if (before < 1 || before > count + 1) Raise(kInvalidCall, L"Invalid procedure call or argument");
      return ObjectValue(bar_->AddButton(TButtonState{}, before, temporary));
    }
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

// ---- bar ----

TStandInBar::TStandInBar(TStandInBars* bars, std::wstring name, int position, bool builtIn, bool temporary)
    : TStandInObject(nullptr, nullptr),
      bars_(bars),
      name_(std::move(name)),
      position_(position),
      builtIn_(builtIn),
      temporary_(temporary),
      controls_(MakeStandIn<TStandInControls>(this)) {}

void TStandInBar::Detach() noexcept {
  bars_ = nullptr;
  controls_->Detach();
  for (auto& b : buttons_) b->Detach();
}

void TStandInBar::SetVisible(bool visible) {
  visible_ = visible;
  Changed();
}

void TStandInBar::NoteEnabledWrite(const std::wstring& tag, bool enabled) {
  if (bars_) bars_->enabledWrites.emplace_back(tag, enabled);
}

void TStandInBar::Changed() {
  if (bars_) bars_->Changed();
}

ComPtr<TStandInButton> TStandInBar::AddButton(TButtonState state, int before, bool temporary) {
  auto button = MakeStandIn<TStandInButton>(this, std::move(state), temporary);
  buttons_.insert(buttons_.begin() + (before - 1), button);
  Changed();
  return button;
}

void TStandInBar::RemoveButton(TStandInButton* button) {
  std::erase_if(buttons_, [&](const auto& b) { return b.Get() == button; });
  button->Detach();
  Changed();
}

std::span<const TMember> TStandInBar::Members() const {
  static const TMember members[] = {
      {L"Name", idName},           {L"Visible", idVisible}, {L"Position", idPosition}, {L"Controls", idControls},
      {L"FindControl", idFindControl}, {L"Delete", idDelete},   {L"BuiltIn", idBuiltIn},   {L"Index", idIndex},
  };
  return members;
}

TVariant TStandInBar::FindControl(const TArgs& args) const {
  // FindControl(Type, Id, Tag, Visible, Recursive): the first control meeting
  // every given criterion. Visible true means "include only visible command
  // bar controls", and only visible toolbars count: a hidden bar's controls
  // are all skipped. No popups here, so Recursive changes nothing.
  const TVariant &type = args.Opt(0), &id = args.Opt(1), &tag = args.Opt(2), &visible = args.Opt(3);
  if (!visible.IsMissing() && visible.ToBool() && !visible_) return TVariant::Object(nullptr);
  for (const auto& b : buttons_) {
    if (!type.IsMissing() && type.ToInt() != msoControlButton) continue;
    if (!id.IsMissing() && id.ToInt() != 1) continue;
    if (!tag.IsMissing() && tag.ToText() != b->State().tag) continue;
    if (!visible.IsMissing() && visible.ToBool() && !b->State().visible) continue;
    return ObjectValue(b);
  }
  return TVariant::Object(nullptr);  // Nothing
}

TVariant TStandInBar::Call(DISPID id, const TArgs& args) {
  CheckAlive(Deleted(), L"CommandBar");
  switch (id) {
    case idName: return TVariant::Text(name_);
    case idVisible:
      if (!args.IsPut()) return TVariant::Bool(visible_);
      SetVisible(Bool(args.Value()));
      return {};
    case idPosition: return TVariant::Int(position_);
    case idControls: return ObjectValue(controls_);
    case idFindControl: return FindControl(args);
    case idBuiltIn: return TVariant::Bool(builtIn_);
    case idIndex: {
      const auto& bars = bars_->Bars();
      const auto it = std::find_if(bars.begin(), bars.end(), [&](const auto& b) { return b.Get() == this; });
      return TVariant::Int(static_cast<int>(it - bars.begin()) + 1);
    }
    case idDelete:
      if (builtIn_) Raise(kInvalidCall, L"A built-in command bar cannot be deleted.");
      bars_->RemoveBar(this);
      return {};
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

// ---- collection ----

TStandInBars::TStandInBars() : TStandInObject(&IID_CommandBars, nullptr) {}

TStandInBars::~TStandInBars() {
  for (auto& b : bars_) b->Detach();
}

ComPtr<TStandInBar> TStandInBars::Find(std::wstring_view name) const {
  for (const auto& b : bars_)
    if (b->Name() == name) return b;
  return nullptr;
}

ComPtr<TStandInBar> TStandInBars::AddBar(std::wstring name, int position, bool builtIn, bool temporary) {
  auto bar = MakeStandIn<TStandInBar>(this, std::move(name), position, builtIn, temporary);
  bars_.push_back(bar);
  Changed();
  return bar;
}

void TStandInBars::RemoveBar(TStandInBar* bar) {
  ComPtr<TStandInBar> keep(bar);
  std::erase_if(bars_, [&](const auto& b) { return b.Get() == bar; });
  bar->Detach();
  Changed();
}

std::span<const TMember> TStandInBars::Members() const {
  static const TMember members[] = {{L"Item", idItem}, {L"Count", idCount}, {L"Add", idAdd}};
  return members;
}

TVariant TStandInBars::Call(DISPID id, const TArgs& args) {
  const int count = static_cast<int>(bars_.size());
  switch (id) {
    case idCount: return TVariant::Int(count);
    case idItem: {
      // By 1-based index or, as Office allows, by name (any letter case).
      const TVariant& key = args.Required(0);
      if (key.Type() == VT_BSTR) {
        const std::wstring name = key.ToText();
        for (const auto& b : bars_)
          if (_wcsicmp(b->Name().c_str(), name.c_str()) == 0) return ObjectValue(b);
        Raise(kInvalidCall, L"Invalid procedure call or argument");
      }
      const int index = key.ToInt();
      if (index < 1 || index > count) RaiseBadIndex(L"CommandBars", index, count);
      return ObjectValue(bars_[index - 1]);
    }
    case idAdd: {
      // Add(Name, Position, MenuBar, Temporary), all optional. Bar names are
      // unique regardless of letter case, as Office's lookup by name is.
      const std::wstring name = args.Opt(0).IsMissing() ? L"Custom " + std::to_wstring(count + 1) : args.Opt(0).ToText();
      const int position = args.Opt(1).IsMissing() ? msoBarFloating : args.Opt(1).ToInt();
      const bool temporary = !args.Opt(3).IsMissing() && args.Opt(3).ToBool();
      for (const auto& b : bars_)
        if (_wcsicmp(b->Name().c_str(), name.c_str()) == 0) Raise(kInvalidCall, L"Invalid procedure call or argument");
      if (position < msoBarLeft || position > msoBarFloating) Raise(kInvalidCall, L"Invalid procedure call or argument");
      return ObjectValue(AddBar(name, position, false, temporary));
    }
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

}  // namespace carvelo::standin
