// The carved bytes of whole jobs, recorded from the engine before its
// threads, buffers and inner loops were reworked for speed. Every build
// (native, sanitised, Windows 32- and 64-bit) must give exactly these bytes:
// faster code may change where and when the work is done, never what it
// produces.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <system_error>
#include <thread>
#include <random>
#include <vector>

#include "GEM.h"

namespace carvelo {
namespace {

constexpr int32_t Protect = 214748;

// Gradients, diagonal edges and noise, so that seams have real choices.
GML_Color Photo(int32_t W, int32_t H, uint32_t Seed) {
  std::mt19937 Random(Seed);
  GML_Color C(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const int32_t Edge = ((x / 9 + y / 6) % 4 == 0) ? 110 : 0;
      C.Put(x, y, GML_Pixel(uint8_t(x + Edge + Random() % 13), uint8_t(2 * y + Random() % 7),
                            uint8_t((x * y / 3) % 180 + Edge / 2), 1));
    }
  return C;
}

// Solid blocks only: a block to carve out and a block to protect.
GML_Int Blocks(int32_t W, int32_t H) {
  GML_Int Weights(W, H);
  for (int32_t y = H / 3; y < H / 3 + 6; ++y)
    for (int32_t x = W / 4; x < W / 4 + 9; ++x) Weights.Put(x, y, -Protect);
  for (int32_t y = H / 2; y < H / 2 + 8; ++y)
    for (int32_t x = W / 2 + 5; x < W / 2 + 12; ++x) Weights.Put(x, y, Protect);
  return Weights;
}

uint64_t Fnv1a(const uint8_t* Bytes, size_t Count, uint64_t Hash) {
  for (size_t i = 0; i < Count; ++i) Hash = (Hash ^ Bytes[i]) * 1099511628211ull;
  return Hash;
}

// The digest of a result picture and its carved weights, row by row.
uint64_t Digest(const GML_Color& Dest, const GML_Int& WorkWeights) {
  uint64_t Hash = Fnv1a(nullptr, 0, 14695981039346656037ull);
  const auto Add = [&Hash](const auto& Map) {
    const int32_t Size[2] = {Map.Width(), Map.Height()};
    Hash = Fnv1a(reinterpret_cast<const uint8_t*>(Size), sizeof Size, Hash);
    for (int32_t y = 0; y < Map.Height(); ++y)
      Hash = Fnv1a(reinterpret_cast<const uint8_t*>(Map.Row(y)), sizeof(*Map.Row(y)) * size_t(Map.Width()), Hash);
  };
  Add(Dest);
  Add(WorkWeights);
  return Hash;
}

struct TSize_Pair {
  int32_t Width, Height;
};

struct TGoldenJob {
  const char* Name;
  int32_t Width, Height, ToWidth, ToHeight;
  bool Marked;
  uint8_t Filter;
  bool ForwardEnergy;
  uint64_t Expected;
};

constexpr TGoldenJob GoldenJobs[] = {
    {"width shrink", 160, 120, 118, 120, false, Filter_Prewitt, true, 1164881954877858799ull},
    {"height shrink", 160, 120, 160, 85, false, Filter_Prewitt, true, 1039691143887300092ull},
    {"width growth", 160, 120, 207, 120, false, Filter_Prewitt, true, 11637336611027863979ull},
    {"height growth", 96, 80, 96, 111, false, Filter_Sobel, true, 7091426274581909236ull},
    {"shrink both", 160, 120, 121, 97, false, Filter_Prewitt, true, 2826703171893666056ull},
    {"grow both", 96, 80, 131, 99, false, Filter_Laplacian, true, 9446178288851206519ull},
    {"narrower, taller", 160, 120, 133, 151, false, Filter_Prewitt, true, 1335835434516959674ull},
    {"wider, shorter", 160, 120, 190, 90, false, Filter_V1, true, 6482030636477893556ull},
    {"backward energy, squared filter", 160, 120, 131, 140, false, Filter_V_Square, false, 718386150241484215ull},
    {"marked shrink", 160, 120, 130, 104, true, Filter_Prewitt, true, 3396384083499428536ull},
    {"marked growth", 160, 120, 185, 133, true, Filter_Prewitt, true, 4421668820259613913ull},
    {"marks carved out and grown back", 160, 120, 160, 120, true, Filter_Prewitt, true, 9883120577595055722ull},
    {"one column left", 40, 30, 1, 30, false, Filter_Prewitt, true, 5142730733075313542ull},
};

// The digest of one golden job carved under the given control.
uint64_t Carve_Golden(const TGoldenJob& Job, const TCarveControl& Control) {
  const GML_Color Source = Photo(Job.Width, Job.Height, 29);
  const GML_Int Weights = Job.Marked ? Blocks(Job.Width, Job.Height) : GML_Int(Job.Width, Job.Height);
  GML_Int WorkWeights;
  GML_Color Dest;
  TGEM(Control).Carve_Image(Source, Weights, Job.ToWidth, Job.ToHeight, 400, Job.Filter, Job.ForwardEnergy,
                            WorkWeights, Dest);
  return Digest(Dest, WorkWeights);
}

// Both forms of the picture a pass carves: the colours moving with every
// seam, or kept in place behind moving pool slots.
TEST(Golden, EveryJobCarvesTheRecordedBytes) {
  for (const bool Index_Colours : {true, false})
    for (const TGoldenJob& Job : GoldenJobs) {
      TCarveControl Control;
      Control.Index_Colours = Index_Colours;
      EXPECT_EQ(Carve_Golden(Job, Control), Job.Expected) << Job.Name << (Index_Colours ? ", indexed" : ", moving");
    }
}

// No helper, one, three: the work is split differently, the bytes are not.
TEST(Golden, TheNumberOfHelpersChangesNoByte) {
  for (int32_t Helpers : {0, 1, 3})
    for (const TGoldenJob& Job : {GoldenJobs[4], GoldenJobs[7], GoldenJobs[11]}) {
      TCarveControl Control;
      Control.Helpers = Helpers;
      EXPECT_EQ(Carve_Golden(Job, Control), Job.Expected) << Job.Name << ", " << Helpers << " helpers";
    }
}

// Pictures large enough for the helpers to share the seam steps (the small
// golden jobs run them on the caller alone): shrinking both sides, then
// growing both, with marks, give the same bytes however many helpers run.
TEST(Golden, HelpersSharingTheSeamStepsChangeNoByte) {
  constexpr int32_t Width = 800, Height = 680;
  const GML_Color Source = Photo(Width, Height, 31);
  const GML_Int Weights = Blocks(Width, Height);
  for (const TSize_Pair Target : {TSize_Pair{780, 668}, TSize_Pair{815, 690}}) {
    uint64_t Alone = 0;
    for (int32_t Helpers : {0, 1, 3}) {
      GML_Int WorkWeights;
      GML_Color Dest;
      TCarveControl Control;
      Control.Helpers = Helpers;
      TGEM(Control).Carve_Image(Source, Weights, Target.Width, Target.Height, 400, Filter_Prewitt, true, WorkWeights,
                                Dest);
      if (Helpers == 0) Alone = Digest(Dest, WorkWeights);
      EXPECT_EQ(Digest(Dest, WorkWeights), Alone) << Target.Width << "x" << Target.Height << ", " << Helpers
                                                  << " helpers";
    }
  }
}

// When the second helper cannot start, the first is joined again and the
// call fails naming itself, leaving its output alone.
TEST(Workers, AHelperThatCannotStartFailsTheEngineCall) {
  std::atomic<int32_t> Started = 0, Finished = 0;
  TCarveControl Control;
  Control.Helpers = 3;
  Control.Start_Helper = [&](std::function<void()> Routine) {
    if (Started == 1) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    ++Started;
    return std::thread([&Finished, Routine] {
      Routine();
      ++Finished;
    });
  };
  const GML_Color Source = Photo(40, 30, 3);
  GML_Int WorkWeights(2, 2);
  GML_Color Dest(2, 2);
  Dest.Put(1, 1, 77);
  try {
    TGEM(Control).Carve_Image(Source, GML_Int(40, 30), 30, 30, 400, Filter_Prewitt, true, WorkWeights, Dest);
    ADD_FAILURE() << "no error";
  } catch (const TEngineError& E) {
    EXPECT_STREQ(E.what(), "GEM: Carve_Image(): FATAL ERROR! Unable to spawn thread!");
  }
  EXPECT_EQ(Finished, 1);
  EXPECT_EQ(Dest.Width(), 2);
  EXPECT_EQ(Dest.Get(1, 1), 77u);
}

}  // namespace
}  // namespace carvelo
