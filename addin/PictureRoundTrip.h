// The picture round trip of the carving commands: the single selected
// picture is checked, copied out through the clipboard, measured against
// its original size, turned into the working and result bitmaps, and, once
// carved, put back on its slide in the old picture's place: inserted from a
// PNG file, or pasted when no file can be written.
#pragma once

#include <optional>
#include <string_view>

#include "Bitmap.h"
#include "CarveJob.h"
#include "PowerPointApplication.h"
#include "Settings.h"
#include "StretchGraph.h"

namespace carvelo::addin {

inline constexpr std::wstring_view kNotOnePicture = L"You need to have only one picture selected !";
inline constexpr std::wstring_view kNotAPicture = L"This work only with Picture !";

// Shows Text in a plain message box over the host's windows.
void ShowMessage(std::wstring_view Text);

class TPictureRoundTrip {
 public:
  explicit TPictureRoundTrip(const host::TPowerPointApplication& application);

  // The selection holds exactly one picture; otherwise the matching message
  // has been shown and the answer is false.
  bool TakeSelectedPicture();
  // The picture, copied out to the clipboard, whose size is read now (its
  // pixels by TakeCopiedPicture); false when the clipboard holds no picture
  // after the copy.
  bool CopyPictureOut();
  // The displayed size against the original size: rw and rh. The picture
  // keeps its displayed size and aspect-ratio lock, also when this fails.
  // Starts the command's one undo entry, where the host has them.
  void MeasureRatios();
  // Throws ETooLargeToFit, before any large allocation, when the job of
  // these settings (masked or not) cannot fit in what the process has free.
  void RequireRoomToFit(const TCarveSettings& settings, bool masked) const;
  // The copied picture's pixels, with its alpha when the host offers it.
  // Throws std::runtime_error when it cannot be read, or when the clipboard
  // holds a picture of another size by then.
  void TakeCopiedPicture();
  // The working bitmap (pre-scaled as the settings say) and the blank
  // result bitmap of the target size. A source copied as displayed is
  // first brought back to the picture's original proportions; a source
  // carved at its own size becomes the working bitmap without a copy.
  void PrepareBitmaps(const TCarveSettings& settings);
  // The result bitmap as 24 bits per pixel again, whatever wrote it; a
  // transparent result keeps its alpha.
  void ResultTo24Bits();
  // Lets go of the result bitmap, then of the working bitmap; what is left
  // of the source picture stays until the round trip ends.
  void ReleaseWorkingBitmaps() noexcept;
  // The result bitmap in place of the old picture: same slide, top, left,
  // width and height, stacking, effects, name, texts, tags, actions,
  // rotation and flips; the old picture goes only once the new one carries
  // all of it. Raises EHandOverFailed, the slide as it was, when that fails.
  void PasteBack();

  double WidthRatio() const noexcept { return rw_; }
  double HeightRatio() const noexcept { return rh_; }
  const TWorkingBitmap& Working() const noexcept { return working_; }
  TBitmap& Result() noexcept { return result_; }

 private:
  const host::TPowerPointApplication& application_;
  std::optional<host::TPresentation> presentation_;
  std::optional<host::TSelection> selection_;
  std::optional<host::TShape> picture_;
  float width_ = 0, height_ = 0;  // displayed size in points
  double rw_ = 1, rh_ = 1;
  bool unstretch_ = false;  // the copied bitmap came as displayed
  TPictureSize copied_;
  TBitmap source_;
  TWorkingBitmap working_;
  TBitmap result_;
};

}  // namespace carvelo::addin
