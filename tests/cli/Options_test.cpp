#include "Options.h"

#include <gtest/gtest.h>

namespace carvelo {
namespace {

TCliOptions Parse(std::vector<std::string_view> Args) { return ParseOptions(Args); }

TEST(Options, DefaultsAreTheAddInsSettings) {
  const TCliOptions O = Parse({"in.png", "out.png", "--size", "900x400"});
  EXPECT_EQ(O.Input, "in.png");
  EXPECT_EQ(O.Output, "out.png");
  EXPECT_EQ(O.Width, 900);
  EXPECT_EQ(O.Height, 400);
  EXPECT_TRUE(O.Mask.empty());
  EXPECT_EQ(O.Settings, TCarveSettings{});
  EXPECT_EQ(O.Settings.Filter, 0);
  EXPECT_EQ(O.Settings.Stretch, 400);
  EXPECT_EQ(O.Settings.MasqueWeight, 100);
  EXPECT_EQ(O.Settings.SamplingQuality, Quality_High);
  EXPECT_TRUE(O.Settings.ScaleBeforeCarving);
}

TEST(Options, EveryOptionMapsOntoItsSetting) {
  const TCliOptions O = Parse({"--filter", "laplacian", "in.jpg", "--stretch=0", "--mask", "m.png", "out.jpeg",
                               "--mask-weight", "50", "--no-scale-before-carving", "--quality=good", "--size=1X32767"});
  EXPECT_EQ(O.Settings.Filter, 4);
  EXPECT_EQ(O.Settings.Stretch, 0);
  EXPECT_EQ(O.Settings.MasqueWeight, 50);
  EXPECT_EQ(O.Settings.SamplingQuality, Quality_Good);
  EXPECT_FALSE(O.Settings.ScaleBeforeCarving);
  EXPECT_EQ(O.Mask, "m.png");
  EXPECT_EQ(O.Width, 1);
  EXPECT_EQ(O.Height, 32767);
  EXPECT_EQ(Parse({"a.png", "b.png", "--size", "2x2", "--filter", "v_square"}).Settings.Filter, 2);
  EXPECT_EQ(Parse({"a.png", "b.png", "--size", "2x2", "--quality", "low"}).Settings.SamplingQuality, Quality_Low);
  EXPECT_EQ(Parse({"a.png", "b.png", "--size", "2x2", "--filter", "SOBEL"}).Settings.Filter, 3);
  EXPECT_EQ(Parse({"a.png", "b.png", "--size", "2x2", "--stretch", "800"}).Settings.Stretch, 800);
  EXPECT_EQ(Parse({"--size", "2x2", "--", "-a.png", "b.png"}).Input, "-a.png");
}

TEST(Options, HelpWinsOverEverythingElse) {
  EXPECT_TRUE(Parse({"--help"}).Help);
  EXPECT_TRUE(Parse({"x", "-h", "--bogus"}).Help);
  EXPECT_NE(HelpText().find("carvelo INPUT OUTPUT --size WIDTHxHEIGHT"), std::string::npos);
  EXPECT_NE(HelpText().find("Examples:"), std::string::npos);
}

TEST(Options, BadCommandLinesAreRefusedWithTheReason) {
  const auto Message = [](std::vector<std::string_view> Args) -> std::string {
    try {
      ParseOptions(Args);
    } catch (const TUsageError& E) {
      return E.what();
    }
    return "(accepted)";
  };
  EXPECT_EQ(Message({"a.png", "b.png"}), "--size WIDTHxHEIGHT is needed");
  EXPECT_EQ(Message({"a.png", "--size", "3x3"}), "INPUT and OUTPUT files are needed");
  EXPECT_EQ(Message({"a.png", "b.png", "c.png", "--size", "3x3"}), "unexpected argument 'c.png'");
  EXPECT_EQ(Message({"a.png", "b.png", "--size", "3x3", "--sharpen"}), "unknown option '--sharpen'");
  EXPECT_EQ(Message({"a.png", "b.png", "--size"}), "--size needs a value");
  for (std::string_view Size : {"0x400", "400x0", "32768x10", "10x32768", "abc", "10", "10x", "x10", "-5x5",
                                "5x5x5", "1e3x4", " 5x5", "99999999999999x1"})
    EXPECT_NE(Message({"a.png", "b.png", "--size", Size}).find("--size needs WIDTHxHEIGHT"), std::string::npos)
        << Size;
  EXPECT_EQ(Message({"a.png", "b.png", "--size", "3x3", "--stretch", "801"}),
            "--stretch takes a whole number from 0 to 800, not '801'");
  EXPECT_EQ(Message({"a.png", "b.png", "--size", "3x3", "--mask-weight", "-1"}),
            "--mask-weight takes a whole number from 0 to 100, not '-1'");
  EXPECT_EQ(Message({"a.png", "b.png", "--size", "3x3", "--quality", "best"}),
            "--quality takes one of low|good|high, not 'best'");
  EXPECT_EQ(Message({"a.png", "b.png", "--size", "3x3", "--filter", "roberts"}),
            "--filter takes one of prewitt|v1|v_square|sobel|laplacian, not 'roberts'");
  EXPECT_EQ(Message({"a.png", "b.png", "--size", "3x3", "--mask="}), "--mask needs a file name");
}

}  // namespace
}  // namespace carvelo
