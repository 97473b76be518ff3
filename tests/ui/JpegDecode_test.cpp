// The libjpeg decoder of the UI's pictures.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "JpegDecode.h"
#include "about_res.h"

namespace carvelo {
namespace {

std::vector<uint8_t> StoredPictureBytes() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_ABOUT_PICTURE), MAKEINTRESOURCEW(10));
  if (!found) return {};
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
  return {bytes, bytes + SizeofResource(module, found)};
}

TEST(JpegDecode, DecodesTheAboutPictureIntoBitmapRows) {
  const auto bytes = StoredPictureBytes();
  ASSERT_FALSE(bytes.empty());
  const auto picture = DecodeJpeg(bytes);
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->Width, 528);
  EXPECT_EQ(picture->Height, 346);
  EXPECT_EQ(picture->Stride(), 528u * 3);
  EXPECT_EQ(picture->Pixels.size(), 528u * 3 * 346);

  // Blue, green, red: the sun of the art (#f6d37a) at (218, 80), the light
  // panel (near white) at the top right, the dark ground at the bottom left.
  auto at = [&](int x, int y) { return picture->Pixels.data() + picture->Stride() * y + 3 * x; };
  auto within = [](int value, int wanted) { return std::abs(value - wanted) <= 10; };
  const uint8_t* sun = at(218, 80);
  EXPECT_TRUE(within(sun[0], 0x7a) && within(sun[1], 0xd3) && within(sun[2], 0xf6))
      << int(sun[0]) << " " << int(sun[1]) << " " << int(sun[2]);
  const uint8_t* panel = at(500, 5);
  EXPECT_TRUE(within(panel[0], 0xfb) && within(panel[1], 0xfc) && within(panel[2], 0xfb));
}

TEST(JpegDecode, RowsOfOddWidthArePaddedToFourBytes) {
  TJpegPicture picture;
  picture.Width = 101;
  EXPECT_EQ(picture.Stride(), 304u);
  picture.Width = 1;
  EXPECT_EQ(picture.Stride(), 4u);
}

// Damaged data must come back as a failure: libjpeg's own handler would end
// the whole process (the host).
TEST(JpegDecode, DamagedDataFailsWithoutEndingTheProcess) {
  std::string error;
  EXPECT_FALSE(DecodeJpeg({}, &error).has_value());
  EXPECT_FALSE(error.empty());

  const std::vector<uint8_t> garbage(200, 0x5A);
  error.clear();
  EXPECT_FALSE(DecodeJpeg(garbage, &error).has_value());
  EXPECT_NE(error.find("JPEG"), std::string::npos) << error;

  // Only the start of the headers.
  const auto bytes = StoredPictureBytes();
  ASSERT_GT(bytes.size(), 40u);
  error.clear();
  EXPECT_FALSE(DecodeJpeg(std::span(bytes).first(40), &error).has_value());
  EXPECT_FALSE(error.empty());

  // A broken frame header: zero height.
  auto broken = bytes;
  for (size_t i = 0; i + 8 < broken.size(); ++i)
    if (broken[i] == 0xFF && (broken[i + 1] == 0xC0 || broken[i + 1] == 0xC2)) {
      broken[i + 5] = 0;
      broken[i + 6] = 0;
      break;
    }
  error.clear();
  EXPECT_FALSE(DecodeJpeg(broken, &error).has_value());
  EXPECT_FALSE(error.empty());

  // And the decoder still works afterwards.
  EXPECT_TRUE(DecodeJpeg(bytes).has_value());
}

}  // namespace
}  // namespace carvelo
