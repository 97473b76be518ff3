#include "PictureHandOver.h"

#include <windows.h>

#include <cmath>

#include "HostError.h"
#include "HostIds.h"

namespace carvelo::addin {

using namespace carvelo::com;
using namespace carvelo::host;

namespace {

// How close a placeholder must be to the old picture's box to be the one
// that came back in its place, in points.
constexpr float kSamePlace = 0.5f;

std::wstring Widen(const char* text) {
  std::wstring wide;
  for (const char* c = text; *c; ++c) wide.push_back(static_cast<unsigned char>(*c));
  return wide;
}

// The reason a step failed, in the host's words where it gave some.
std::wstring ReasonOf(const std::exception& e) {
  if (const auto* host = dynamic_cast<const EHostError*>(&e); host && !host->HostText().empty())
    return host->HostText();
  return Widen(e.what());
}

bool IsEmptyPlaceholder(const TShape& shape) {
  return shape.Type() == msoPlaceholder && shape.PlaceholderContainedType() != msoPicture;
}

std::vector<TPictureAction> RecordActions(const TShape& picture) {
  std::vector<TPictureAction> actions;
  for (const int activation : {ppMouseClick, ppMouseOver}) {
    const TActionSetting setting = picture.ActionSettings(activation);
    TPictureAction a{activation, setting.Action(), {}, {}, {}, {}};
    if (a.action == ppActionNone) continue;
    if (a.action == ppActionHyperlink) {
      const THyperlink link = setting.Hyperlink();
      a.address = link.Address();
      a.subAddress = link.SubAddress();
      a.screenTip = link.ScreenTip();
    } else if (a.action == ppActionRunMacro || a.action == ppActionRunProgram) {
      a.run = setting.Run();
    }
    actions.push_back(std::move(a));
  }
  return actions;
}

void RecordSequence(const TSequence& sequence, const TShape& picture, bool interactive,
                    std::vector<TPictureEffect>& effects) {
  const int count = sequence.Count();
  for (int i = 1; i <= count; ++i) {
    const TEffect effect = sequence.Item(i);
    const bool animates = effect.Shape().SameAs(picture);
    const bool triggered = interactive && effect.TriggerShape().SameAs(picture);
    if (animates || triggered) effects.push_back({effect, animates, triggered});
  }
}

std::vector<TPictureEffect> RecordEffects(const TSlide& slide, const TShape& picture) {
  std::vector<TPictureEffect> effects;
  if (!slide.HasTimeLine()) return effects;
  const TTimeLine timeLine = slide.TimeLine();
  // PowerPoint may raise on reading the main sequence of a slide without
  // effects: that slide has none to keep.
  std::optional<TSequence> main;
  try {
    main.emplace(timeLine.MainSequence());
  } catch (const EHostError&) {
  }
  if (main) RecordSequence(*main, picture, false, effects);
  const int interactive = timeLine.InteractiveSequenceCount();
  for (int i = 1; i <= interactive; ++i) RecordSequence(timeLine.InteractiveSequence(i), picture, true, effects);
  return effects;
}

}  // namespace

bool IsPicture(const TShape& shape) {
  const int type = shape.Type();
  if (type == msoPicture) return true;
  if (type != msoPlaceholder || !shape.Has(L"PlaceholderFormat")) return false;
  try {
    return shape.PlaceholderContainedType() == msoPicture;
  } catch (const EHostError&) {
    return false;  // a host without ContainedType: not known to hold a picture
  }
}

TPictureRecord RecordPicture(const TSlide& slide, const TShape& picture) {
  TPictureRecord r;
  r.left = picture.Left();
  r.top = picture.Top();
  r.zOrderPosition = picture.ZOrderPosition();
  r.name = picture.Name();
  if (picture.Has(L"AlternativeText")) r.alternativeText = picture.AlternativeText();
  if (picture.Has(L"Title")) r.title = picture.Title();
  if (picture.Has(L"Rotation")) r.rotation = picture.Rotation();
  if (picture.Has(L"HorizontalFlip")) r.horizontalFlip = picture.HorizontalFlip() == msoTrue;
  if (picture.Has(L"VerticalFlip")) r.verticalFlip = picture.VerticalFlip() == msoTrue;
  r.lockAspectRatio = picture.LockAspectRatio();
  if (picture.Has(L"Tags")) {
    const TTags tags = picture.Tags();
    const int count = tags.Count();
    for (int i = 1; i <= count; ++i) r.tags.emplace_back(tags.Name(i), tags.Value(i));
  }
  if (picture.Has(L"ActionSettings")) r.actions = RecordActions(picture);
  if (picture.Has(L"Line")) {
    const TLineLook line = picture.Line();
    if (line.visible == msoTrue) r.line = line;
  }
  if (picture.Has(L"Shadow")) {
    const TShadowLook shadow = picture.Shadow();
    if (shadow.visible == msoTrue) r.shadow = shadow;
  }
  r.effects = RecordEffects(slide, picture);
  r.inPlaceholder = picture.Type() == msoPlaceholder;
  return r;
}

TPictureHandOver::TPictureHandOver(TSlide slide, TShape old)
    : slide_(std::move(slide)), old_(std::move(old)), record_(RecordPicture(slide_, old_)) {}

TShape TPictureHandOver::Replace(const std::function<TShape()>& insert, float width, float height) {
  const TShape placed = insert();
  try {
    Place(placed, width, height);
    Restack(placed);
    MoveEffects(placed);
    // Two shapes never share a name: the old one steps aside until it goes.
    old_.SetName(record_.name + L" (replaced)");
    oldRenamed_ = true;
    CarryProperties(placed);
    const int emptyBefore = record_.inPlaceholder ? EmptyPlaceholdersInPlace() : 0;
    old_.Delete();
    if (record_.inPlaceholder) RemoveReappearedPlaceholder(emptyBefore);
  } catch (const std::exception& e) {
    RollBack(placed);
    throw EHandOverFailed(std::wstring(kHandOverFailed) + ReasonOf(e));
  }
  return placed;
}

void TPictureHandOver::Place(const TShape& placed, float width, float height) const {
  // With the lock off, each side is set on its own.
  placed.SetLockAspectRatio(msoFalse);
  placed.Object().PutProperty(L"Top", TVariant::Single(record_.top));
  placed.Object().PutProperty(L"Left", TVariant::Single(record_.left));
  placed.SetWidth(width);
  placed.SetHeight(height);
}

void TPictureHandOver::Restack(const TShape& placed) const {
  // A new picture lands on top: step back until just above the old one.
  const int target = record_.zOrderPosition + 1;
  const int bound = slide_.Shapes().Count();
  int position = placed.ZOrderPosition();
  for (int step = 0; position > target && step < bound; ++step) {
    placed.ZOrder(msoSendBackward);
    position = placed.ZOrderPosition();
  }
  if (position != target)
    throw EHostError(E_FAIL, "it could not be stacked where the old picture stands (position " +
                                 std::to_string(position) + " instead of " + std::to_string(target) + ")");
}

void TPictureHandOver::MoveEffects(const TShape& placed) {
  // Before the old picture goes: deleting a shape deletes its effects.
  for (const TPictureEffect& e : record_.effects) {
    if (e.animates) {
      e.effect.SetShape(placed);
      moved_.emplace_back(e.effect, false);
    }
    if (e.triggeredBy) {
      e.effect.SetTriggerShape(placed);
      moved_.emplace_back(e.effect, true);
    }
  }
}

void TPictureHandOver::MoveEffectsBack() noexcept {
  for (auto it = moved_.rbegin(); it != moved_.rend(); ++it) {
    try {
      if (it->second) it->first.SetTriggerShape(old_);
      else it->first.SetShape(old_);
    } catch (...) {  // the others still go back
    }
  }
  moved_.clear();
}

void TPictureHandOver::CarryProperties(const TShape& placed) const {
  const TPictureRecord& r = record_;
  placed.SetName(r.name);
  if (r.alternativeText && placed.Has(L"AlternativeText")) placed.SetAlternativeText(*r.alternativeText);
  if (r.title && placed.Has(L"Title")) placed.SetTitle(*r.title);
  if (!r.tags.empty()) {
    const TTags tags = placed.Tags();
    for (const auto& [name, value] : r.tags) tags.Add(name, value);
  }
  for (const TPictureAction& a : r.actions) {
    // The action first: its fields belong to it.
    const TActionSetting setting = placed.ActionSettings(a.activation);
    setting.SetAction(a.action);
    if (a.action == ppActionHyperlink) {
      const THyperlink link = setting.Hyperlink();
      link.SetAddress(a.address);
      if (!a.subAddress.empty()) link.SetSubAddress(a.subAddress);
      if (!a.screenTip.empty()) link.SetScreenTip(a.screenTip);
    } else if (!a.run.empty()) {
      setting.SetRun(a.run);
    }
  }
  // A new picture has neither border nor shadow.
  if (r.line) placed.SetLine(*r.line);
  if (r.shadow) placed.SetShadow(*r.shadow);
  // Turned and mirrored once placed and sized.
  if (r.rotation && *r.rotation != 0) placed.SetRotation(*r.rotation);
  if (r.horizontalFlip) placed.Flip(msoFlipHorizontal);
  if (r.verticalFlip) placed.Flip(msoFlipVertical);
  placed.SetLockAspectRatio(r.lockAspectRatio);
}

int TPictureHandOver::EmptyPlaceholdersInPlace() const {
  const TShapes shapes = slide_.Shapes();
  const int count = shapes.Count();
  int found = 0;
  for (int i = 1; i <= count; ++i) {
    const TShape s = shapes.Item(i);
    if (IsEmptyPlaceholder(s) && std::fabs(s.Left() - record_.left) < kSamePlace &&
        std::fabs(s.Top() - record_.top) < kSamePlace)
      ++found;
  }
  return found;
}

void TPictureHandOver::RemoveReappearedPlaceholder(int before) const noexcept {
  // PowerPoint's interface brings an empty placeholder back where a picture
  // it held was deleted: the carved picture covers that place now.
  try {
    if (EmptyPlaceholdersInPlace() <= before) return;
    const TShapes shapes = slide_.Shapes();
    for (int i = shapes.Count(); i >= 1; --i) {
      const TShape s = shapes.Item(i);
      if (IsEmptyPlaceholder(s) && std::fabs(s.Left() - record_.left) < kSamePlace &&
          std::fabs(s.Top() - record_.top) < kSamePlace) {
        s.Delete();
        return;
      }
    }
  } catch (...) {  // the picture is handed over; an empty placeholder is harmless
  }
}

void TPictureHandOver::RollBack(const TShape& placed) noexcept {
  MoveEffectsBack();
  try {
    placed.Delete();
  } catch (...) {
  }
  if (!oldRenamed_) return;
  try {
    old_.SetName(record_.name);
  } catch (...) {
  }
  oldRenamed_ = false;
}

}  // namespace carvelo::addin
