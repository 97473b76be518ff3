#include "CarveJob.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "TestPictures.h"

namespace carvelo {
namespace {

using test::Grey;
using test::Picture;
using test::Uniform;

TEST(MaskWeights, MarkWeightScalesWithMasqueWeight) {
  EXPECT_EQ(MarkWeight(100), 214748);
  EXPECT_EQ(MarkWeight(50), 107374);
  EXPECT_EQ(MarkWeight(1), 2147);
  EXPECT_EQ(MarkWeight(0), 0);
  EXPECT_EQ(MarkWeight(33), 70867);  // 70866.84
}

TEST(MaskWeights, OnlyTheExactMarkColoursCount) {
  EXPECT_EQ(MaskWeightOf({0, 128, 0}, 214748), 214748);
  EXPECT_EQ(MaskWeightOf({255, 0, 0}, 214748), -214748);
  for (TRGB Near : {TRGB{0, 127, 0}, TRGB{0, 129, 0}, TRGB{1, 128, 0}, TRGB{0, 128, 1}, TRGB{254, 0, 0},
                    TRGB{255, 1, 0}, TRGB{255, 0, 1}, TRGB{0, 0, 255}, TRGB{255, 255, 255}})
    EXPECT_EQ(MaskWeightOf(Near, 214748), 0);
}

TEST(MaskWeights, ReadMaskGivesEveryPixelItsWeight) {
  const TBitmap Mask = Picture(4, 2, [](int32_t x, int32_t y) {
    if (x == 1 && y == 0) return TRGB{0, 128, 0};
    if (x == 2 && y == 1) return TRGB{255, 0, 0};
    return TRGB{200, 10, 10};
  });
  for (auto [Masque, Mark] : {std::pair{100, 214748}, {50, 107374}, {1, 2147}, {0, 0}}) {
    GML_Int Weights(4, 2);
    ReadMask(Mask, Masque, Weights);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 4; ++x) {
        const int32_t Expected = (x == 1 && y == 0) ? Mark : (x == 2 && y == 1) ? -Mark : 0;
        EXPECT_EQ(Weights.Get(x, y), Expected) << x << "," << y << " at " << Masque;
      }
  }
  GML_Int TooLarge(5, 2);
  EXPECT_THROW(ReadMask(Mask, 100, TooLarge), std::invalid_argument);
}

TEST(PixelTransfer, SourceWordsCarryRedGreenBlueAndOne) {
  EXPECT_EQ(EngineWordOf({0x11, 0x22, 0x33}), 0x01332211u);
  EXPECT_EQ(ColourOfEngineWord(0xFF332211u), (TRGB{0x11, 0x22, 0x33}));

  for (int32_t Depth : {24, 32}) {
    const TBitmap Working = Picture(3, 2, [](int32_t x, int32_t y) {
      return TRGB{uint8_t(x), uint8_t(y), uint8_t(100 + x + y)};
    }, Depth);
    GML_Color Source(3, 2);
    ReadSource(Working, Source);
    EXPECT_EQ(Source.Get(2, 1), GML_Pixel(2, 1, 103, 1));
    EXPECT_EQ(Source.Get(0, 0), GML_Pixel(0, 0, 100, 1));
  }
}

TEST(PixelTransfer, ResultIgnoresTheFourthByteAndCoversItsOwnSize) {
  GML_Color Result(2, 2);
  Result.Put(0, 0, GML_Pixel(1, 2, 3, 0x77));
  Result.Put(1, 1, GML_Pixel(250, 128, 0, 1));
  TBitmap Target = Uniform(3, 3, Grey(9));
  WriteResult(Result, Target);
  EXPECT_EQ(GetPixelRGB(Target, 0, 0), (TRGB{1, 2, 3}));
  EXPECT_EQ(GetPixelRGB(Target, 1, 1), (TRGB{250, 128, 0}));
  EXPECT_EQ(GetPixelRGB(Target, 2, 2), Grey(9));  // outside the result: untouched

  TBitmap Small(1, 1, 24);
  WriteResult(Result, Small);  // clipped, no write outside
  EXPECT_EQ(GetPixelRGB(Small, 0, 0), (TRGB{1, 2, 3}));
}

TEST(PixelTransfer, ResultWritesNothingOutsideItsOwnArea) {
  // The result's rows have room beyond its width holding another colour, so
  // a write past the result's width shows natively; a write past the end of
  // the target shows in the sanitizer build.
  const TRGB Inside{1, 2, 3}, Spare{200, 0, 0}, Untouched = Grey(9);
  const struct {
    int32_t RW, RH, TW, TH;
  } Cases[] = {{2, 2, 4, 2}, {2, 1, 3, 1}, {3, 2, 2, 2}, {2, 2, 2, 1}};
  for (int32_t Depth : {24, 32})
    for (const auto& Case : Cases) {
      GML_Color Result(Case.RW + 2, Case.RH);
      for (int32_t y = 0; y < Case.RH; ++y)
        for (int32_t x = 0; x < Case.RW + 2; ++x) Result.Put(x, y, EngineWordOf(x < Case.RW ? Inside : Spare));
      Result.SetWidth(Case.RW);
      TBitmap Target = Uniform(Case.TW, Case.TH, Untouched, Depth);
      WriteResult(Result, Target);
      for (int32_t y = 0; y < Case.TH; ++y)
        for (int32_t x = 0; x < Case.TW; ++x)
          ASSERT_EQ(GetPixelRGB(Target, x, y), x < Case.RW && y < Case.RH ? Inside : Untouched)
              << Case.RW << "x" << Case.RH << " into " << Case.TW << "x" << Case.TH << " at " << x << "," << y
              << ", depth " << Depth;
    }
}

TEST(FittedSize, RoundsHalvesToEvenAndKeepsOnePixel) {
  EXPECT_EQ(FittedSize(600, 400, 1.5, 1.0), (TPictureSize{900, 400}));
  EXPECT_EQ(FittedSize(5, 3, 0.5, 0.5), (TPictureSize{2, 2}));  // 2.5, 1.5
  EXPECT_EQ(FittedSize(3, 3, 0.1, 0.1), (TPictureSize{1, 1}));
}

// --- The engine sequence ------------------------------------------------------

// Stands in for the engine: records what each call was given and answers
// with recognisable pictures and weights.
struct TRecordingEngine {
  struct TCall {
    std::string Name;
    uint32_t SourceMarker;
    int32_t WeightMarker;
    int32_t TargetWidth = 0, TargetHeight = 0;
    int32_t Mode = -1, Rounds = -1;
  };
  std::vector<TCall> Calls;

  void Carve_Image(const GML_Color& Source, const GML_Int& Weights, int32_t TW, int32_t TH, int32_t, uint8_t, bool,
                   GML_Int& WorkWeights, GML_Color& Dest) {
    Calls.push_back({"Carve_Image", Source.Get(0, 0), Weights.Get(0, 0), TW, TH});
    WorkWeights.SetSize(TW, TH);
    Dest.SetSize(TW, TH);
  }
  void Remove_Areas(const GML_Color& Source, const GML_Int& Weights, uint8_t Mode, int32_t Rounds, int32_t, uint8_t,
                    bool, GML_Int& WorkWeights, GML_Color& Dest) {
    Calls.push_back({"Remove_Areas", Source.Get(0, 0), Weights.Get(0, 0), 0, 0, Mode, Rounds});
    // The intermediate picture and the weights carved along with it.
    Dest.SetSize(Source.Width(), Source.Height());
    Dest.Put(0, 0, 0xC0FFEEu);
    WorkWeights.SetSize(Source.Width(), Source.Height());
    WorkWeights.Put(0, 0, 4242);
  }
};

TEST(EngineSequence, WithoutAMaskOnlyCarveImageRuns) {
  TRecordingEngine Gem;
  GML_Color Source(4, 3), Result;
  Source.Put(0, 0, 0x01ABCDEFu);
  GML_Int Weights(4, 3), Work;
  EXPECT_TRUE(RunEngineSequence(Gem, Source, Weights, false, 6, 2, 400, 0, Work, Result));
  ASSERT_EQ(Gem.Calls.size(), 1u);
  EXPECT_EQ(Gem.Calls[0].Name, "Carve_Image");
  EXPECT_EQ(Gem.Calls[0].SourceMarker, 0x01ABCDEFu);
  EXPECT_EQ(Gem.Calls[0].TargetWidth, 6);
  EXPECT_EQ(Gem.Calls[0].TargetHeight, 2);
}

TEST(EngineSequence, MaskedSecondCallCarvesTheIntermediateWithTheCarvedWeights) {
  TRecordingEngine Gem;
  GML_Color Source(4, 3), Result;
  GML_Int Weights(4, 3), Work;
  Weights.Put(0, 0, -214748);
  EXPECT_TRUE(RunEngineSequence(Gem, Source, Weights, true, 5, 3, 400, 0, Work, Result));
  ASSERT_EQ(Gem.Calls.size(), 2u);
  EXPECT_EQ(Gem.Calls[0].Name, "Remove_Areas");
  EXPECT_EQ(Gem.Calls[0].WeightMarker, -214748);
  EXPECT_EQ(Gem.Calls[0].Mode, 0);  // automatic
  EXPECT_EQ(Gem.Calls[0].Rounds, 10);
  EXPECT_EQ(Gem.Calls[1].Name, "Carve_Image");
  EXPECT_EQ(Gem.Calls[1].SourceMarker, 0xC0FFEEu);
  EXPECT_EQ(Gem.Calls[1].WeightMarker, 4242);  // not the painted map's -214748
  EXPECT_EQ(Gem.Calls[1].TargetWidth, 5);
  EXPECT_EQ(Gem.Calls[1].TargetHeight, 3);
  EXPECT_EQ(Weights.Get(0, 0), -214748);  // the caller's map is left alone
}

TEST(EngineSequence, AStopBetweenTheCallsSkipsTheSecond) {
  TRecordingEngine Gem;
  GML_Color Source(4, 3), Result;
  GML_Int Weights(4, 3), Work;
  const std::atomic<bool> Stop{true};
  EXPECT_FALSE(RunEngineSequence(Gem, Source, Weights, true, 5, 3, 400, 0, Work, Result, &Stop));
  EXPECT_EQ(Gem.Calls.size(), 1u);
}

}  // namespace
}  // namespace carvelo
