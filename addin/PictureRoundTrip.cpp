#include "PictureRoundTrip.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "CarveJob.h"
#include "Clipboard_win.h"
#include "HostError.h"
#include "HostIds.h"
#include "JobMemory_win.h"
#include "MSOAddIn_Utils.h"
#include "PictureHandOver.h"
#include "PngEncode.h"
#include "TemporaryFile_win.h"

namespace carvelo::addin {

using namespace carvelo::com;
using namespace carvelo::host;

namespace {

constexpr int kRelativeToOriginalSize = msoCTrue;  // the host's "1"
constexpr int kFromTopLeft = msoScaleFromTopLeft;

// A shape or shape range with its aspect-ratio lock off for one scope: with
// the lock on, setting or scaling one side rescales the other, so sizes
// could not be measured or set one side at a time. The lock comes back on
// every path.
template <class Shape>
class TAspectRatioUnlocked {
 public:
  explicit TAspectRatioUnlocked(const Shape& shape) : shape_(shape), lock_(shape.LockAspectRatio()) {
    if (lock_ != msoFalse) shape_.SetLockAspectRatio(msoFalse);
  }
  ~TAspectRatioUnlocked() {
    if (lock_ == msoFalse) return;
    try {
      shape_.SetLockAspectRatio(lock_);
    } catch (...) {  // the error that brought us here is the one to report
    }
  }
  TAspectRatioUnlocked(const TAspectRatioUnlocked&) = delete;
  TAspectRatioUnlocked& operator=(const TAspectRatioUnlocked&) = delete;

 private:
  const Shape& shape_;
  int lock_;
};

// Gives the picture its displayed size back when the measuring fails
// half-way, so that the user's picture stays as it was sized.
class TDisplayedSizeKept {
 public:
  TDisplayedSizeKept(const TShape& shape, float width, float height)
      : shape_(shape), width_(width), height_(height), exceptions_(std::uncaught_exceptions()) {}
  ~TDisplayedSizeKept() {
    if (std::uncaught_exceptions() == exceptions_) return;
    try {
      shape_.SetWidth(width_);
      shape_.SetHeight(height_);
    } catch (...) {
    }
  }
  TDisplayedSizeKept(const TDisplayedSizeKept&) = delete;
  TDisplayedSizeKept& operator=(const TDisplayedSizeKept&) = delete;

 private:
  const TShape& shape_;
  float width_, height_;
  int exceptions_;
};

// Whether the copied bitmap has the picture's displayed proportions rather
// than its original ones: what Copy puts on the clipboard is the host's to
// choose, and a rendering as displayed is already stretched. Proportions
// that differ by less than a pixel cannot tell the two apart.
bool CopiedAsDisplayed(TPictureSize copied, double shownWidth, double shownHeight, double originalWidth,
                       double originalHeight) {
  const double copiedAspect = std::log(double(copied.Width) / copied.Height);
  const double shown = std::log(shownWidth / shownHeight), original = std::log(originalWidth / originalHeight);
  const double onePixel = 1.0 / std::min(copied.Width, copied.Height);
  if (std::fabs(shown - original) <= 2 * onePixel) return false;
  return std::fabs(copiedAspect - shown) < std::fabs(copiedAspect - original);
}

// The hourglass while the picture goes back onto the slide.
class THourglass {
 public:
  THourglass() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }
  ~THourglass() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;
};

// The carved picture as a PNG file in the temporary folder, to be inserted
// from there; nothing when no file can be written (a full disk, a folder the
// user may not write to).
std::unique_ptr<TTemporaryFile> ResultFile(std::span<const uint8_t> png) {
  try {
    auto file = std::make_unique<TTemporaryFile>(L".png");
    file->Write(png);
    return file;
  } catch (const EHostError&) {
    return nullptr;
  }
}

// The clipboard's picture on the slide: as PNG, which keeps alpha, where the
// host pastes it, else as the host pastes by default.
TShape PasteResult(const TShapes& shapes) {
  if (shapes.HasPasteSpecial()) {
    try {
      return shapes.PasteSpecial(ppPastePNG).Item(1);
    } catch (const EHostError&) {  // no PNG on the clipboard, or none that the host takes
    }
  }
  return shapes.Paste().Item(1);
}

// The new picture selected, as the old one was; a host that cannot select
// it now leaves the selection as it is, the slide being done.
void SelectIfPossible(const TShape& picture) noexcept {
  try {
    picture.Select();
  } catch (const std::exception&) {
  }
}

}  // namespace

void ShowMessage(std::wstring_view Text) { ShowMessageBox(Text, L"Carvelo", MB_TASKMODAL); }

TPictureRoundTrip::TPictureRoundTrip(const TPowerPointApplication& application) : application_(application) {}

bool TPictureRoundTrip::TakeSelectedPicture() {
  presentation_.emplace(application_.ActivePresentation());
  selection_.emplace(application_.ActiveWindow().Selection());
  const TShapeRange shapes = selection_->ShapeRange();
  if (shapes.Count() != 1) {
    ShowMessage(kNotOnePicture);
    return false;
  }
  TShape picture = shapes.Item(1);
  if (!IsPicture(picture)) {
    ShowMessage(kNotAPicture);
    return false;
  }
  picture_.emplace(std::move(picture));
  return true;
}

bool TPictureRoundTrip::CopyPictureOut() {
  picture_->Copy();
  const std::optional<TPictureSize> size = ClipboardPictureSize();
  if (!size) return false;
  copied_ = *size;
  return true;
}

void TPictureRoundTrip::TakeCopiedPicture() {
  std::optional<TBitmap> bitmap = TakePictureFromClipboard();
  if (!bitmap) throw std::runtime_error("the copied picture cannot be read from the clipboard.");
  // Another program may have copied something meanwhile.
  if (TPictureSize{bitmap->Width(), bitmap->Height()} != copied_)
    throw std::runtime_error("the clipboard changed while the picture was being copied.");
  source_ = std::move(*bitmap);
}

void TPictureRoundTrip::MeasureRatios() {
  // Measuring rescales the picture: the command's one undo entry starts here.
  application_.StartNewUndoEntry();
  const TShape& picture = *picture_;
  width_ = picture.Width();
  height_ = picture.Height();
  const TAspectRatioUnlocked<TShape> unlocked(picture);
  const TDisplayedSizeKept kept(picture, width_, height_);
  picture.ScaleHeight(1.0f, kRelativeToOriginalSize, kFromTopLeft);
  picture.ScaleWidth(1.0f, kRelativeToOriginalSize, kFromTopLeft);
  const double originalWidth = picture.Width(), originalHeight = picture.Height();
  unstretch_ = CopiedAsDisplayed(copied_, width_, height_, originalWidth, originalHeight);
  rw_ = width_ / originalWidth;
  rh_ = height_ / originalHeight;
  picture.ScaleHeight(static_cast<float>(rh_), kRelativeToOriginalSize, kFromTopLeft);
  picture.ScaleWidth(static_cast<float>(rw_), kRelativeToOriginalSize, kFromTopLeft);
}

void TPictureRoundTrip::RequireRoomToFit(const TCarveSettings& settings, bool masked) const {
  if (!IsUsableRatio(rw_) || !IsUsableRatio(rh_)) return;  // preparing the bitmaps tells why
  const int32_t width = copied_.Width, height = copied_.Height;
  const TScalePlan plan = PlanScaling(width, height, rw_, rh_, settings.ScaleBeforeCarving);
  const TPictureSize target = FittedSize(plan.WorkWidth, plan.WorkHeight, plan.FW, plan.FH);
  RequireJobFits(width, height, JobMemoryNeeded(width, height, plan, target, masked));
}

void TPictureRoundTrip::PrepareBitmaps(const TCarveSettings& settings) {
  if (unstretch_) {
    // Back to the original proportions, so that the carve stretches once.
    TBitmap original(RoundSide(source_.Width() / rw_), RoundSide(source_.Height() / rh_),
                     source_.HasAlpha() ? 32 : 24);
    original.SetHasAlpha(source_.HasAlpha());
    StretchGraphic(source_, original, settings.SamplingQuality);
    source_ = std::move(original);
    unstretch_ = false;
  }
  // The source is not needed again: unscaled, it becomes the working bitmap.
  working_ = PrepareWorkingBitmap(std::move(source_), rw_, rh_, settings);
  const TPictureSize target =
      FittedSize(working_.Bitmap.Width(), working_.Bitmap.Height(), working_.FW, working_.FH);
  result_ = MakeResultBitmap(working_, target);
}

void TPictureRoundTrip::ResultTo24Bits() {
  if (result_.BitCount() != 24 && !result_.HasAlpha()) result_ = ConvertDepth(result_, 24);
}

void TPictureRoundTrip::ReleaseWorkingBitmaps() noexcept {
  result_ = TBitmap();
  working_ = TWorkingBitmap();
}

void TPictureRoundTrip::PasteBack() {
  const THourglass hourglass;
  // Inserting from a file keeps alpha and needs no clipboard; the clipboard
  // holds the result all the same, and is the way when no file can be written.
  const std::vector<uint8_t> png = EncodePng(result_);
  const std::unique_ptr<TTemporaryFile> file = ResultFile(png);
  try {
    PutPictureOnClipboard(result_, png);
  } catch (const std::runtime_error&) {
    if (!file) throw;  // another program holds the clipboard: the file does without it
  }
  const int slideId = selection_->SlideRange().SlideID();
  const TSlides slides = presentation_->Slides();
  const int slideIndex = slides.FindBySlideID(slideId).SlideIndex();
  const TSlide slide = slides.Item(slideIndex);
  TPictureHandOver handOver(slide, *picture_);
  const TShapes shapes = slide.Shapes();
  const TShape placed = handOver.Replace(
      [&] {
        const TPictureRecord& old = handOver.Record();
        return file ? shapes.AddPicture(file->Path(), old.left, old.top, width_, height_) : PasteResult(shapes);
      },
      width_, height_);
  SelectIfPossible(placed);
}

}  // namespace carvelo::addin
