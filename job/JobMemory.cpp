// The memory rule of a carving job and the words of its refusal.
#include "JobMemory.h"

#include <algorithm>
#include <new>

namespace carvelo {

namespace {

// Bytes per pixel of each part of a job. The engine's figure covers its
// own buffers and the job's copies of the picture, the weights and the
// result over the carving area; a mask adds the carved-out intermediate
// picture and its weights. Each bitmap is counted at 32 bits a pixel, the
// picture twice (the clipboard's copy and ours).
constexpr uint64_t EngineBytesPerPixel = 32;
constexpr uint64_t MaskedEngineBytesPerPixel = 12;
constexpr uint64_t BitmapBytesPerPixel = 4;
constexpr uint64_t LargestMapBytesPerPixel = 4;

uint64_t Area(int64_t Width, int64_t Height) {
  return static_cast<uint64_t>(std::max<int64_t>(Width, 0) * std::max<int64_t>(Height, 0));
}

uint64_t Usable(const TFreeMemory& Free) {
  const uint64_t Available = std::min(Free.AddressSpace, Free.Commit);
  return Available > HostReserveBytes ? Available - HostReserveBytes : 0;
}

}  // namespace

TJobMemory JobMemoryNeeded(int32_t Width, int32_t Height, const TScalePlan& Plan, TPictureSize Target, bool Masked) {
  const uint64_t Picture = Area(Width, Height);
  const uint64_t Working = Area(Plan.WorkWidth, Plan.WorkHeight);
  const uint64_t Result = Area(Target.Width, Target.Height);
  const uint64_t Carving =
      Area(std::max(Plan.WorkWidth, Target.Width), std::max(Plan.WorkHeight, Target.Height));
  const uint64_t Bitmaps = BitmapBytesPerPixel * (2 * Picture + Working + 2 * Result + (Masked ? 2 * Working : 0));
  const uint64_t Engine = (EngineBytesPerPixel + (Masked ? MaskedEngineBytesPerPixel : 0)) * Carving;
  return {Bitmaps + Engine, std::max(LargestMapBytesPerPixel * Carving, BitmapBytesPerPixel * Picture)};
}

bool JobFits(const TJobMemory& Need, const TFreeMemory& Free) {
  return Need.Total <= Usable(Free) && Need.LargestBlock <= Free.LargestRegion;
}

std::string TooLargeToFitText(int32_t Width, int32_t Height, const TJobMemory& Need, const TFreeMemory& Free,
                              int Bits) {
  // The same job on a picture of the same shape scales with its pixel count.
  const double Pixels = static_cast<double>(std::max<uint64_t>(Area(Width, Height), 1));
  const double ByTotal = static_cast<double>(Usable(Free)) / static_cast<double>(std::max<uint64_t>(Need.Total, 1));
  const double ByBlock =
      static_cast<double>(Free.LargestRegion) / static_cast<double>(std::max<uint64_t>(Need.LargestBlock, 1));
  const auto Megapixels = static_cast<uint64_t>(Pixels * std::min(ByTotal, ByBlock) / 1e6);
  const std::string Limit =
      Megapixels < 1 ? "less than one megapixel" : "about " + std::to_string(Megapixels) + " megapixels";
  return "This picture (" + std::to_string(Width) + " \u00d7 " + std::to_string(Height) +
         ") is too large to fit here; the largest this " + std::to_string(Bits) + "-bit PowerPoint can fit is " +
         Limit + ".";
}

std::string ReasonInUserWords(const std::exception& Failure) {
  if (dynamic_cast<const std::bad_alloc*>(&Failure) != nullptr) return "there is not enough memory.";
  const std::string What = Failure.what();
  return What.empty() ? "an unknown error" : What;
}

}  // namespace carvelo
