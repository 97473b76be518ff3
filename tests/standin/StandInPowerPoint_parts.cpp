#include "StandInPowerPoint_parts.h"

#include <algorithm>
#include <cwctype>

#include "HostIds.h"

namespace carvelo::standin {

using namespace carvelo::host;

namespace {

enum : DISPID {
  idItem = DISPID_VALUE,
  idCount = 1,
  idName,
  idValue,
  idAdd,
  idDelete,
  idAction,
  idHyperlink,
  idRun,
  idAddress,
  idSubAddress,
  idScreenTip,
  idType,
  idContainedType,
  idMainSequence,
  idInteractiveSequences,
  idShape,
  idTiming,
  idTriggerType,
  idTriggerShape,
  idEffectType,
  idIndex,
  idVisible,
  idWeight,
  idForeColor,
  idDashStyle,
  idRGB,
  idOffsetX,
  idOffsetY,
};

// PpActionType's range and PpMouseActivation.
constexpr int kLastActionType = 12;  // ppActionPlay
constexpr int ppMouseClick = 1, ppMouseOver = 2;
// PpPlaceholderType of a content placeholder, and PpTriggerType.
constexpr int ppPlaceholderObject = 7;
constexpr int ppTriggerOnPageClick = 1, ppTriggerOnShapeClick = 4;
constexpr HRESULT kInvalidRequest = static_cast<HRESULT>(0x80048240);

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

void Changing(const TStandInShape& shape, std::wstring_view member) {
  if (shape.Deleted()) Raise(kInvalidRequest, L"Shape (unknown member) : Object does not exist.");
  shape.Slide()->Changing(member);
}

class TStandInTags final : public TStandInObject {
 public:
  explicit TStandInTags(ComPtr<TStandInShape> shape) : TStandInObject(nullptr, nullptr), shape_(std::move(shape)) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"Count", idCount}, {L"Name", idName},     {L"Value", idValue},
                                      {L"Add", idAdd},     {L"Delete", idDelete}, {L"Item", idItem}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs& args) override {
    auto& tags = shape_->tags;
    const int count = static_cast<int>(tags.size());
    auto at = [&]() -> TTag& {
      const int index = args.Required(0).ToInt();
      if (index < 1 || index > count) RaiseBadIndex(L"Tags", index, count);
      return tags[index - 1];
    };
    auto named = [&](const std::wstring& name) {
      return std::find_if(tags.begin(), tags.end(), [&](const TTag& t) { return t.name == name; });
    };
    switch (id) {
      case idCount: return TVariant::Int(count);
      case idName: return TVariant::Text(at().name);
      case idValue: return TVariant::Text(at().value);
      case idItem: {
        const auto it = named(Upper(args.Required(0).ToText()));
        return TVariant::Text(it == tags.end() ? std::wstring() : it->value);
      }
      case idAdd: {
        Changing(*shape_, L"Tags.Add");
        // "Tag values are added and stored in uppercase." Guess: the names
        // are, as the documentation's examples test them; values are kept.
        const std::wstring name = Upper(args.Required(0).ToText());
        const std::wstring value = args.Required(1).ToText();
        if (const auto it = named(name); it != tags.end()) it->value = value;
        else tags.push_back({name, value});
        return {};
      }
      case idDelete: {
        Changing(*shape_, L"Tags.Delete");
        std::erase_if(tags, [&](const TTag& t) { return t.name == Upper(args.Required(0).ToText()); });
        return {};
      }
    }
    Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
  }

 private:
  ComPtr<TStandInShape> shape_;
};

class TStandInHyperlink final : public TStandInObject {
 public:
  TStandInHyperlink(ComPtr<TStandInShape> shape, int index)
      : TStandInObject(nullptr, nullptr), shape_(std::move(shape)), index_(index) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {
        {L"Address", idAddress}, {L"SubAddress", idSubAddress}, {L"ScreenTip", idScreenTip}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs& args) override {
    TActionState& a = shape_->actions[index_];
    std::wstring* field = id == idAddress ? &a.address : id == idSubAddress ? &a.subAddress : &a.screenTip;
    if (!args.IsPut()) return TVariant::Text(*field);
    Changing(*shape_, L"Hyperlink.Address");
    *field = args.Value().ToText();
    return {};
  }

 private:
  ComPtr<TStandInShape> shape_;
  int index_;
};

class TStandInActionSetting final : public TStandInObject {
 public:
  TStandInActionSetting(ComPtr<TStandInShape> shape, int index)
      : TStandInObject(nullptr, nullptr), shape_(std::move(shape)), index_(index) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"Action", idAction}, {L"Hyperlink", idHyperlink}, {L"Run", idRun}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs& args) override {
    TActionState& a = shape_->actions[index_];
    switch (id) {
      case idAction: {
        if (!args.IsPut()) return TVariant::Int(a.action);
        Changing(*shape_, L"ActionSetting.Action");
        const int action = args.Value().ToInt();
        if (action < 0 || action > kLastActionType) Raise(E_INVALIDARG, L"ActionSetting.Action : Invalid enumeration value.");
        // Guess: choosing the action resets what belonged to the previous
        // one, which is why the fields are set after it ("make sure that
        // you've set the Action property").
        if (action != a.action) {
          a = TActionState{};
          a.action = action;
        }
        return {};
      }
      case idHyperlink: return ObjectValue(MakeStandIn<TStandInHyperlink>(shape_, index_));
      case idRun:
        if (!args.IsPut()) return TVariant::Text(a.run);
        Changing(*shape_, L"ActionSetting.Run");
        a.run = args.Value().ToText();
        return {};
    }
    Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
  }

 private:
  ComPtr<TStandInShape> shape_;
  int index_;
};

class TStandInActionSettings final : public TStandInObject {
 public:
  explicit TStandInActionSettings(ComPtr<TStandInShape> shape)
      : TStandInObject(nullptr, nullptr), shape_(std::move(shape)) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"Item", idItem}, {L"Count", idCount}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs& args) override {
    if (id == idCount) return TVariant::Int(2);
    const int index = args.Required(0).ToInt();
    if (index != ppMouseClick && index != ppMouseOver) RaiseBadIndex(L"ActionSettings", index, 2);
    return ObjectValue(MakeStandIn<TStandInActionSetting>(shape_, index - 1));
  }

 private:
  ComPtr<TStandInShape> shape_;
};

class TStandInPlaceholderFormat final : public TStandInObject {
 public:
  explicit TStandInPlaceholderFormat(ComPtr<TStandInShape> shape)
      : TStandInObject(nullptr, nullptr), shape_(std::move(shape)) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"Type", idType}, {L"ContainedType", idContainedType}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs&) override {
    if (id == idType) return TVariant::Int(ppPlaceholderObject);
    return TVariant::Int(shape_->containedType);
  }

 private:
  ComPtr<TStandInShape> shape_;
};

class TStandInTiming final : public TStandInObject {
 public:
  explicit TStandInTiming(ComPtr<TStandInEffect> effect) : TStandInObject(nullptr, nullptr), effect_(std::move(effect)) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"TriggerType", idTriggerType}, {L"TriggerShape", idTriggerShape}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs& args) override {
    if (id == idTriggerType) return TVariant::Int(effect_->triggerShape ? ppTriggerOnShapeClick : ppTriggerOnPageClick);
    if (!args.IsPut()) {
      // Guess: an effect that no shape's click starts has no trigger shape
      // to give, and says so as other members that do not apply do.
      if (!effect_->triggerShape) Raise(kInvalidRequest, L"Timing.TriggerShape : Invalid request.");
      return ObjectValue(effect_->triggerShape);
    }
    // A put goes through the effect, which checks the shape.
    TStandInSlide* slide = effect_->Slide();
    if (!slide) Raise(kInvalidRequest, L"Timing.TriggerShape : Object does not exist.");
    slide->Changing(L"Timing.TriggerShape");
    ComPtr<IDispatch> given = args.Value().ToObject();
    for (const auto& s : slide->ShapeList())
      if (given && s->Dispatch() == given.Get()) {
        effect_->triggerShape = s;
        return {};
      }
    Raise(E_INVALIDARG, L"Timing.TriggerShape : The shape is not on this slide.");
  }

 private:
  ComPtr<TStandInEffect> effect_;
};

class TStandInSequence final : public TStandInObject {
 public:
  TStandInSequence(TStandInSlide* slide, TEffectList* list)
      : TStandInObject(nullptr, nullptr), slide_(slide), list_(list) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"Item", idItem}, {L"Count", idCount}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs& args) override {
    const int count = static_cast<int>(list_->effects.size());
    if (id == idCount) return TVariant::Int(count);
    const int index = args.Required(0).ToInt();
    if (index < 1 || index > count) RaiseBadIndex(L"Sequence", index, count);
    return ObjectValue(list_->effects[index - 1]);
  }

 private:
  TStandInSlide* slide_;  // Guess: a sequence object is used only while its slide lives
  TEffectList* list_;
};

class TStandInSequences final : public TStandInObject {
 public:
  explicit TStandInSequences(TStandInSlide* slide) : TStandInObject(nullptr, nullptr), slide_(slide) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"Item", idItem}, {L"Count", idCount}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs& args) override {
    auto& sequences = slide_->interactiveSequences;
    const int count = static_cast<int>(sequences.size());
    if (id == idCount) return TVariant::Int(count);
    const int index = args.Required(0).ToInt();
    if (index < 1 || index > count) RaiseBadIndex(L"Sequences", index, count);
    return ObjectValue(MakeStandIn<TStandInSequence>(slide_, &sequences[index - 1]));
  }

 private:
  TStandInSlide* slide_;
};

class TStandInTimeLine final : public TStandInObject {
 public:
  explicit TStandInTimeLine(TStandInSlide* slide) : TStandInObject(nullptr, nullptr), slide_(slide) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"MainSequence", idMainSequence},
                                      {L"InteractiveSequences", idInteractiveSequences}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs&) override {
    if (id == idMainSequence) return ObjectValue(MakeStandIn<TStandInSequence>(slide_, &slide_->mainSequence));
    return ObjectValue(MakeStandIn<TStandInSequences>(slide_));
  }

 private:
  TStandInSlide* slide_;  // the slide owns its time line
};

// MsoTriState as read and written by the format objects.
TVariant TriState(bool value) { return TVariant::Int(value ? msoTrue : msoFalse); }

class TStandInColorFormat final : public TStandInObject {
 public:
  TStandInColorFormat(ComPtr<TStandInShape> shape, int32_t* colour)
      : TStandInObject(nullptr, nullptr), shape_(std::move(shape)), colour_(colour) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"RGB", idRGB}};
    return members;
  }
  TVariant Call(DISPID, const TArgs& args) override {
    if (!args.IsPut()) return TVariant::Int(*colour_);
    Changing(*shape_, L"Line");
    *colour_ = args.Value().ToInt() & 0xFFFFFF;
    return {};
  }

 private:
  ComPtr<TStandInShape> shape_;  // owns the colour
  int32_t* colour_;
};

class TStandInLineFormat final : public TStandInObject {
 public:
  explicit TStandInLineFormat(ComPtr<TStandInShape> shape) : TStandInObject(nullptr, nullptr), shape_(std::move(shape)) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {
        {L"Visible", idVisible}, {L"Weight", idWeight}, {L"ForeColor", idForeColor}, {L"DashStyle", idDashStyle}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs& args) override {
    TLineState& line = shape_->line;
    if (id == idForeColor) return ObjectValue(MakeStandIn<TStandInColorFormat>(shape_, &line.foreColor));
    if (!args.IsPut()) {
      if (id == idVisible) return TriState(line.visible);
      if (id == idWeight) return TVariant::Single(line.weight);
      return TVariant::Int(line.dashStyle);
    }
    Changing(*shape_, L"Line");
    if (id == idVisible) line.visible = args.Value().ToInt() != msoFalse;
    else if (id == idWeight) line.weight = args.Value().ToSingle();
    else line.dashStyle = args.Value().ToInt();
    return {};
  }

 private:
  ComPtr<TStandInShape> shape_;
};

class TStandInShadowFormat final : public TStandInObject {
 public:
  explicit TStandInShadowFormat(ComPtr<TStandInShape> shape)
      : TStandInObject(nullptr, nullptr), shape_(std::move(shape)) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"Visible", idVisible}, {L"OffsetX", idOffsetX}, {L"OffsetY", idOffsetY}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs& args) override {
    TShadowState& shadow = shape_->shadow;
    float* offset = id == idOffsetX ? &shadow.offsetX : &shadow.offsetY;
    if (!args.IsPut()) return id == idVisible ? TriState(shadow.visible) : TVariant::Single(*offset);
    Changing(*shape_, L"Shadow");
    if (id == idVisible) shadow.visible = args.Value().ToInt() != msoFalse;
    else *offset = args.Value().ToSingle();
    return {};
  }

 private:
  ComPtr<TStandInShape> shape_;
};

}  // namespace

// ---- effect ----

TStandInEffect::TStandInEffect(TStandInSlide* slide, ComPtr<TStandInShape> animated, int type,
                               ComPtr<TStandInShape> trigger)
    : TStandInObject(nullptr, nullptr),
      shape(std::move(animated)),
      triggerShape(std::move(trigger)),
      effectType(type),
      slide_(slide) {}

std::span<const TMember> TStandInEffect::Members() const {
  static const TMember members[] = {{L"Shape", idShape}, {L"Timing", idTiming}, {L"EffectType", idEffectType}};
  return members;
}

ComPtr<TStandInShape> TStandInEffect::ShapeArgument(const TVariant& value) const {
  ComPtr<IDispatch> given = value.ToObject();
  for (const auto& s : slide_->ShapeList())
    if (given && s->Dispatch() == given.Get()) return s;
  // Guess: an effect animates a shape of its own slide only.
  Raise(E_INVALIDARG, L"Effect.Shape : The shape is not on this slide.");
}

TVariant TStandInEffect::Call(DISPID id, const TArgs& args) {
  if (!slide_) Raise(kInvalidRequest, L"Effect (unknown member) : Object does not exist.");
  switch (id) {
    case idEffectType: return TVariant::Int(effectType);
    case idTiming: return ObjectValue(MakeStandIn<TStandInTiming>(ComPtr<TStandInEffect>(this)));
    case idShape:
      if (!args.IsPut()) return ObjectValue(shape);
      slide_->Changing(L"Effect.Shape");
      // Microsoft's Sequences example assigns Effect.Shape: the effect stays
      // where it is in its sequence, with its timing and trigger.
      shape = ShapeArgument(args.Value());
      return {};
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

ComPtr<TStandInObject> MakeTags(ComPtr<TStandInShape> shape) { return MakeStandIn<TStandInTags>(std::move(shape)); }
ComPtr<TStandInObject> MakeActionSettings(ComPtr<TStandInShape> shape) {
  return MakeStandIn<TStandInActionSettings>(std::move(shape));
}
ComPtr<TStandInObject> MakePlaceholderFormat(ComPtr<TStandInShape> shape) {
  return MakeStandIn<TStandInPlaceholderFormat>(std::move(shape));
}
ComPtr<TStandInObject> MakeTimeLine(TStandInSlide* slide) { return MakeStandIn<TStandInTimeLine>(slide); }
ComPtr<TStandInObject> MakeLineFormat(ComPtr<TStandInShape> shape) {
  return MakeStandIn<TStandInLineFormat>(std::move(shape));
}
ComPtr<TStandInObject> MakeShadowFormat(ComPtr<TStandInShape> shape) {
  return MakeStandIn<TStandInShadowFormat>(std::move(shape));
}

}  // namespace carvelo::standin
