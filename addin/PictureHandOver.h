// The hand-over from the old picture to its carved replacement: the slide
// keeps everything but the pixels. What the old picture carries is recorded
// first; the new picture is placed beside it, stacked just above it, takes
// over its animation effects, its name, texts, tags, actions, rotation and
// flips, and only then is the old one deleted. A failure on the way removes
// the new picture and gives back what was moved: the slide is as it was.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "PowerPointModel.h"

namespace carvelo::addin {

inline constexpr std::wstring_view kHandOverFailed =
    L"The carved picture could not take the old one's place, so the slide is left as it was: ";

// A hand-over that failed and was rolled back; Text() is the message.
class EHandOverFailed : public std::runtime_error {
 public:
  explicit EHandOverFailed(std::wstring text) : std::runtime_error("picture hand-over failed"), text_(std::move(text)) {}
  const std::wstring& Text() const noexcept { return text_; }

 private:
  std::wstring text_;
};

// A picture, or a placeholder that holds one.
bool IsPicture(const host::TShape& shape);

// What a click or a mouse-over on the picture does.
struct TPictureAction {
  int activation;  // ppMouseClick or ppMouseOver
  int action;
  std::wstring address, subAddress, screenTip, run;
};

// An animation effect that points at the old picture.
struct TPictureEffect {
  host::TEffect effect;
  bool animates;     // Effect.Shape is the picture
  bool triggeredBy;  // Timing.TriggerShape is the picture
};

// Everything of the old picture that its replacement takes over. Members a
// host lacks are not recorded and not carried.
struct TPictureRecord {
  float left = 0, top = 0;
  int zOrderPosition = 0;
  std::wstring name;
  std::optional<std::wstring> alternativeText, title;
  std::optional<float> rotation;
  bool horizontalFlip = false, verticalFlip = false;
  int lockAspectRatio = 0;
  std::vector<std::pair<std::wstring, std::wstring>> tags;
  std::vector<TPictureAction> actions;
  std::optional<host::TLineLook> line;  // only when shown
  std::optional<host::TShadowLook> shadow;
  std::vector<TPictureEffect> effects;
  bool inPlaceholder = false;
};

TPictureRecord RecordPicture(const host::TSlide& slide, const host::TShape& picture);

class TPictureHandOver {
 public:
  // Records the old picture on its slide.
  TPictureHandOver(host::TSlide slide, host::TShape old);
  const TPictureRecord& Record() const noexcept { return record_; }

  // `insert` puts the new picture on the slide; it is shown at width x height
  // points in the old one's place and takes over from it. Raises
  // EHandOverFailed, the slide as it was, when a step after the insertion
  // fails. The answer is the new picture.
  host::TShape Replace(const std::function<host::TShape()>& insert, float width, float height);

 private:
  void Place(const host::TShape& placed, float width, float height) const;
  void Restack(const host::TShape& placed) const;
  void MoveEffects(const host::TShape& placed);
  void MoveEffectsBack() noexcept;
  void CarryProperties(const host::TShape& placed) const;
  int EmptyPlaceholdersInPlace() const;
  void RemoveReappearedPlaceholder(int before) const noexcept;
  void RollBack(const host::TShape& placed) noexcept;

  host::TSlide slide_;
  host::TShape old_;
  TPictureRecord record_;
  // Effect by effect as moved: true for a trigger, false for the animated shape.
  std::vector<std::pair<host::TEffect, bool>> moved_;
  bool oldRenamed_ = false;
};

}  // namespace carvelo::addin
