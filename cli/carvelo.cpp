// carvelo: fits a picture file to a new size the way the add-in's "Quick
// Fitting" (or, with a mask, "Edit Mask") fits a picture on a slide.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "CarveJob.h"
#include "ImageFile.h"
#include "Options.h"
#include "OutputFile.h"
#include "StretchGraph.h"

namespace carvelo {

namespace {

constexpr int ExitError = 2;

// A failure with its one-line message for the user.
class TFailure : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

std::string Quoted(const std::string& Text) { return "'" + Text + "'"; }

std::string SizeText(int32_t W, int32_t H) { return std::to_string(W) + "x" + std::to_string(H); }

TBitmap ReadPicture(const std::string& Role, const std::string& Path) {
  try {
    return ReadImage(Path);
  } catch (const TImageError& E) {
    throw TFailure("cannot read " + Role + " " + Quoted(Path) + ": " + E.what());
  }
}

// Seams done so far, shown on standard error when it is a terminal and the
// job has run for more than a moment.
class TProgressLine {
public:
  TProgressLine() : FEnabled(::isatty(STDERR_FILENO) == 1), FStart(Clock::now()), FLastShown(FStart) {}
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;
  ~TProgressLine() {
    if (FShown) std::fputs("\r\x1b[K", stderr);
  }

  void Update(int32_t Done, int32_t Total) {
    if (Done <= FLastDone || Total != FLastTotal) ++FPass;  // a new pass starts its count again
    FLastDone = Done;
    FLastTotal = Total;
    if (!FEnabled) return;
    const auto Now = Clock::now();
    if (Now - FStart < std::chrono::milliseconds(500) || (FShown && Now - FLastShown < std::chrono::milliseconds(100)))
      return;
    std::fprintf(stderr, "\rcarvelo: carving, pass %d: %d of %d seams\x1b[K", FPass, Done, Total);
    std::fflush(stderr);
    FShown = true;
    FLastShown = Now;
  }

private:
  using Clock = std::chrono::steady_clock;
  bool FEnabled;
  bool FShown = false;
  Clock::time_point FStart;
  Clock::time_point FLastShown;
  int FPass = 0;
  int32_t FLastDone = 0;
  int32_t FLastTotal = -1;
};

TFailure OutputFailure(const std::string& Path, const std::string& Reason) {
  return TFailure("cannot write OUTPUT " + Quoted(Path) + ": " + Reason);
}

// The pictures that carving makes must fit the same limits as those read.
void CheckJobSizes(const TBitmap& Input, const TCliOptions& Options, double RW, double RH) {
  const TScalePlan Plan = PlanScaling(Input.Width(), Input.Height(), RW, RH, Options.Settings.ScaleBeforeCarving);
  const TPictureSize Result = FittedSize(Plan.WorkWidth, Plan.WorkHeight, Plan.FW, Plan.FH);
  try {
    CheckPictureSize(Plan.WorkWidth, Plan.WorkHeight);
    CheckPictureSize(Result.Width, Result.Height);
  } catch (const TImageError& E) {
    throw TFailure("cannot fit INPUT to " + SizeText(Options.Width, Options.Height) + ": " + E.what() +
                   " while carving");
  }
}

void Fit(const TCliOptions& Options) {
  if (!ImageFormatOf(Options.Output))
    throw OutputFailure(Options.Output, "unsupported file type (use .png, .jpg or .jpeg)");
  // Before the work, not after it.
  try {
    CheckOutputWritable(Options.Output);
  } catch (const TImageError& E) {
    throw OutputFailure(Options.Output, E.what());
  }

  TBitmap Input = ReadPicture("INPUT", Options.Input);
  std::optional<TBitmap> Mask;
  if (!Options.Mask.empty()) {
    Mask = ReadPicture("MASK", Options.Mask);
    if (Mask->Width() != Input.Width() || Mask->Height() != Input.Height())
      throw TFailure("MASK " + Quoted(Options.Mask) + " is " + SizeText(Mask->Width(), Mask->Height()) +
                     " but INPUT is " + SizeText(Input.Width(), Input.Height()));
  }

  // The ratios of a picture shown at WIDTH x HEIGHT.
  const double RW = static_cast<double>(Options.Width) / Input.Width();
  const double RH = static_cast<double>(Options.Height) / Input.Height();
  CheckJobSizes(Input, Options, RW, RH);
  // INPUT itself, when it needs no scaling and no other layout.
  const TWorkingBitmap Working = PrepareWorkingBitmap(std::move(Input), RW, RH, Options.Settings);
  const int32_t W = Working.Bitmap.Width(), H = Working.Bitmap.Height();

  // The marks follow a pre-scaled picture pixel for pixel, their colours
  // exact; a 24-bit mask of the working size is used as it is.
  std::optional<TBitmap> WorkingMask;
  if (Mask && Mask->BitCount() == 24 && Mask->Width() == W && Mask->Height() == H) {
    WorkingMask = std::move(Mask);
  } else if (Mask) {
    WorkingMask.emplace(W, H, 24);
    NearestResample(*Mask, *WorkingMask);
  }

  const TPictureSize Size = FittedSize(W, H, Working.FW, Working.FH);
  TBitmap Result = MakeResultBitmap(Working, Size);
  const TCarveJob Job = MakeCarveJob(Working, Result, Options.Settings, WorkingMask ? &*WorkingMask : nullptr);
  {
    TProgressLine Progress;
    TCarveControl Control;
    Control.Progress = [&Progress](int32_t Done, int32_t Total) { Progress.Update(Done, Total); };
    try {
      TCarveWorker(Job, std::move(Control)).Run();
    } catch (const TEngineError& E) {
      throw TFailure(std::string("carving failed: ") + E.what());  // OUTPUT is not written
    }
  }

  try {
    WriteImage(Options.Output, Result);
  } catch (const TImageError& E) {
    throw OutputFailure(Options.Output, E.what());
  }
}

int Fail(const std::string& Message) {
  std::cerr << "carvelo: " << Message << '\n';
  return ExitError;
}

}  // namespace

int Main(const std::vector<std::string_view>& Args) {
  try {
    const TCliOptions Options = ParseOptions(Args);
    if (Options.Help) {
      std::cout << HelpText();
      return 0;
    }
    Fit(Options);
    return 0;
  } catch (const TUsageError& E) {
    return Fail(std::string(E.what()) + " (see carvelo --help)");
  } catch (const std::bad_alloc&) {
    return Fail("out of memory");
  } catch (const std::exception& E) {
    return Fail(E.what());
  }
}

}  // namespace carvelo

int main(int argc, char** argv) {
  const std::vector<std::string_view> Args(argv + 1, argv + argc);
  return carvelo::Main(Args);
}
