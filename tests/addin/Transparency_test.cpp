// A transparent picture (a logo on a coloured slide) stays transparent
// through Quick Fitting and Edit Mask: read as PNG from the clipboard,
// carved with its alpha, inserted from a temporary PNG file that is gone
// afterwards on every path, and pasted as PNG when no file can be written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "AddinTestSupport.h"
#include "Bitmap.h"
#include "Bitmap_win.h"
#include "Clipboard_win.h"
#include "MessageBoxRobot.h"
#include "PngEncode.h"
#include "PngPicture_win.h"
#include "StandInPictureFile.h"
#include "StandInRender.h"
#include "StandInScript.h"

using namespace carvelo;
using namespace carvelo::test;
using standin::TPixels;
using standin::TStandInOptions;
using standin::TStandInPowerPoint;
using standin::TStandInShape;

namespace {

constexpr uint32_t kLogoColour = 0x1E5AC8, kSlideColour = 0xEBEBC8;  // the stand-in's box colour

using TAddin = TUnpaintedMaskAddin;

// A 96 x 60 logo: an opaque disc with a half-transparent rim on a fully
// transparent background.
TPixels Logo() {
  TPixels logo{96, 60, {}, true};
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 96; ++x) {
      const int d2 = (x - 48) * (x - 48) + (y - 30) * (y - 30);
      const uint32_t alpha = d2 <= 20 * 20 ? 255 : d2 <= 23 * 23 ? 128 : 0;
      logo.data.push_back(alpha << 24 | (alpha ? kLogoColour : 0));
    }
  return logo;
}

// The temporary folder of the add-in, one of its own per scene, checked
// empty at the end.
class TTemporaryFolder {
 public:
  explicit TTemporaryFolder(const std::wstring& name) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::filesystem::path(base) / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    GetEnvironmentVariableW(L"TMP", saved_, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", (path_.wstring() + L"\\").c_str());
  }
  ~TTemporaryFolder() {
    SetEnvironmentVariableW(L"TMP", saved_);
    std::filesystem::remove_all(path_);
  }
  size_t Files() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(path_), {}));
  }

 private:
  std::filesystem::path path_;
  wchar_t saved_[MAX_PATH] = {};
};

struct TScene {
  explicit TScene(TStandInOptions options = {}) : powerPoint(std::move(options)) {
    EXPECT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
    bar = powerPoint.Bar(L"Carvelo PPT");
    slide.AddShape(L"Background", host::msoAutoShape, 0, 0, 720, 540);
    // 96 x 60 pixels shown at 108 x 45 points: half as wide again, as high
    // as it is.
    logo = slide.AddPicture(100, 100, 108, 45, Logo());
  }

  // Clicks the button with `tag` with the logo selected: the messages shown
  // and the members of the host that changed the slide.
  std::vector<std::wstring> Click(const std::wstring& tag) {
    powerPoint.SelectShapes({logo});
    standin::TMessageBoxRobot robot({L"Carvelo - Processing"});
    EXPECT_EQ(ClickTag(*bar, tag).answers, std::vector<HRESULT>{S_OK});
    std::vector<std::wstring> texts;
    for (const auto& seen : robot.Seen()) texts.push_back(seen.text);
    return texts;
  }
  const TStandInShape& Top() const { return *slide.ShapeList().back().Get(); }

  TStandInPowerPoint powerPoint;
  standin::TStandInSlide& slide = powerPoint.Slide(1);
  ComPtr<TAddin> addIn = TAddin::Make();
  ComPtr<standin::TStandInBar> bar;
  ComPtr<TStandInShape> logo;
};

uint32_t RenderedAt(standin::TStandInSlide& slide, float leftPoints, float topPoints) {
  const TPixels shown = standin::RenderSlide(slide);
  const int x = static_cast<int>(leftPoints * standin::kPixelsPerPoint);
  const int y = static_cast<int>(topPoints * standin::kPixelsPerPoint);
  return shown.data[static_cast<size_t>(y) * shown.width + x];
}

}  // namespace

TEST(Transparency, ALogoOnAColouredSlideStaysTransparentAndTheTemporaryFileGoes) {
  for (const wchar_t* command : {L"Quick Fitting$$$", L"Edit Mask$$$"}) {
    SCOPED_TRACE(testing::Message() << command);
    const TTemporaryFolder temporary(L"carvelo-transparency");
    TScene scene;
    std::vector<std::wstring> inserted;
    scene.slide.Presentation()->onHostCall = [&](std::wstring_view member) {
      if (member.starts_with(L"Shapes.")) inserted.emplace_back(member);
    };

    const char* shots = std::getenv("CARVELO_SLIDE_SHOTS");  // the pictures for the documentation
    const std::wstring folder = shots ? std::wstring(shots, shots + std::strlen(shots)) : L"";
    if (shots) standin::SavePngFile(standin::RenderSlide(scene.slide), folder + L"/slide-transparent-before.png");

    EXPECT_EQ(scene.Click(command), std::vector<std::wstring>{});

    if (shots) standin::SavePngFile(standin::RenderSlide(scene.slide), folder + L"/slide-transparent-after.png");
    EXPECT_EQ(inserted, std::vector<std::wstring>{L"Shapes.AddPicture2"});
    EXPECT_TRUE(scene.logo->Deleted());
    const TStandInShape& carved = scene.Top();
    EXPECT_EQ((std::vector<int>{carved.pixels.width, carved.pixels.height}), (std::vector<int>{144, 60}));
    ASSERT_TRUE(carved.pixels.alpha);
    EXPECT_EQ(carved.pixels.data.front() >> 24, 0u) << "the corner stays transparent";
    const auto middleRow = carved.pixels.data.begin() + 30 * 144;
    const auto disc = std::find(middleRow, middleRow + 144, 0xFF000000 | kLogoColour);
    ASSERT_NE(disc, middleRow + 144) << "the disc stays opaque";
    // The slide shows through the corner; the disc covers its own place.
    EXPECT_EQ(RenderedAt(scene.slide, 101, 101), kSlideColour);
    EXPECT_EQ(RenderedAt(scene.slide, 100 + (disc - middleRow + 0.5f) * 0.75f, 122.875f), kLogoColour);
    EXPECT_EQ(scene.powerPoint.Window().selection.shapes.size(), 1u) << "the new picture is selected";
    EXPECT_EQ(temporary.Files(), 0u);
    // The clipboard holds the carved picture, alpha and all.
    const std::optional<TBitmap> held = addin::TakePictureFromClipboard();
    ASSERT_TRUE(held && held->HasAlpha());
    EXPECT_EQ(held->Width(), 144);
  }
}

// Each route to the slide, as the host and the machine allow: the member
// that inserted the picture, and whether its alpha arrived.
TEST(Transparency, TheFallbacksRunWhenTheFileRouteOrThePngFormatIsUnavailable) {
  struct TCase {
    const char* what;
    bool hasAddPicture2, copyOffersPng, folderWritable;
    const wchar_t* failing;  // a member the host refuses, or null
    std::vector<std::wstring> calls;
    bool alpha;
  };
  const TCase cases[] = {
      {"an older PowerPoint", false, true, true, nullptr, {L"Shapes.AddPicture"}, true},
      {"no file can be written", true, true, false, nullptr, {L"Shapes.PasteSpecial"}, true},
      {"no PNG paste either", true, true, false, L"Shapes.PasteSpecial",
       {L"Shapes.PasteSpecial", L"Shapes.Paste"}, true},
      {"Copy offers no PNG", true, false, true, nullptr, {L"Shapes.AddPicture2"}, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TTemporaryFolder temporary(L"carvelo-fallbacks");
    if (!c.folderWritable) SetEnvironmentVariableW(L"TMP", L"Z:\\carvelo-no-such-folder\\");
    TStandInOptions options;
    options.hasAddPicture2 = c.hasAddPicture2;
    options.copyOffersPng = c.copyOffersPng;
    TScene scene(options);
    std::vector<std::wstring> calls;
    scene.slide.Presentation()->onHostCall = [&](std::wstring_view member) {
      if (!member.starts_with(L"Shapes.")) return;
      calls.emplace_back(member);
      if (c.failing && member == c.failing) standin::Raise(E_FAIL, L"Injected failure");
    };

    EXPECT_EQ(scene.Click(L"Quick Fitting$$$"), std::vector<std::wstring>{});

    EXPECT_EQ(calls, c.calls);
    EXPECT_TRUE(scene.logo->Deleted());
    EXPECT_EQ(scene.Top().pixels.alpha, c.alpha);
    EXPECT_EQ(temporary.Files(), 0u);
  }
}

TEST(Transparency, NoTemporaryFileStaysAfterACancelOrAFailedInsertion) {
  const TTemporaryFolder temporary(L"carvelo-leftovers");
  {
    TScene scene;
    scene.addIn->cancelEditor = true;
    EXPECT_EQ(scene.Click(L"Edit Mask$$$"), std::vector<std::wstring>{});
    EXPECT_FALSE(scene.logo->Deleted());
    EXPECT_EQ(temporary.Files(), 0u);
  }
  {
    TScene scene;
    const std::wstring before = standin::DescribeSlide(scene.slide);
    scene.slide.Presentation()->onHostCall = [&](std::wstring_view member) {
      if (member == L"Shapes.AddPicture2") standin::Raise(E_FAIL, L"Injected failure");
    };
    EXPECT_EQ(scene.Click(L"Quick Fitting$$$"), std::vector<std::wstring>{L"Injected failure"});
    scene.slide.Presentation()->onHostCall = nullptr;
    EXPECT_EQ(standin::DescribeSlide(scene.slide), before);
    EXPECT_EQ(temporary.Files(), 0u);
  }
}

// The copied picture comes from the richest format on the clipboard, and a
// picture put there goes as PNG and as a bitmap over white. Its size is
// known before its pixels are read.
TEST(Transparency, TheClipboardIsReadFromItsRichestPictureFormat) {
  // A 2 x 1 DIBV5 in a header of its own: one half-transparent red pixel, one opaque blue.
  const auto putDibV5 = [](uint8_t firstAlpha) {
    std::vector<uint8_t> dib(sizeof(BITMAPV5HEADER) + 8);
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = 2;
    header.bV5Height = -1;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    std::memcpy(dib.data(), &header, sizeof header);
    const uint8_t pixels[8] = {0, 0, 255, firstAlpha, 255, 0, 0, 255};
    std::memcpy(dib.data() + sizeof header, pixels, 8);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    std::memcpy(GlobalLock(memory), dib.data(), dib.size());
    GlobalUnlock(memory);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (!SetClipboardData(CF_DIBV5, memory)) GlobalFree(memory);
    CloseClipboard();
  };
  putDibV5(128);
  EXPECT_EQ(addin::ClipboardPictureSize(), (TPictureSize{2, 1})) << "from the bitmap made of the DIB";
  std::optional<TBitmap> read = addin::TakePictureFromClipboard();
  ASSERT_TRUE(read && read->HasAlpha());
  EXPECT_EQ(std::vector<uint8_t>(read->ScanLine(0), read->ScanLine(0) + 8),
            (std::vector<uint8_t>{0, 0, 255, 128, 255, 0, 0, 255}));
  putDibV5(255);  // every pixel opaque: the bitmap, as before
  read = addin::TakePictureFromClipboard();
  ASSERT_TRUE(read);
  EXPECT_FALSE(read->HasAlpha());
  EXPECT_EQ(read->BitCount(), 24);

  TBitmap halfRed(1, 1, 32);
  halfRed.SetHasAlpha(true);
  const uint8_t red[4] = {0, 0, 255, 128};
  std::memcpy(halfRed.ScanLine(0), red, 4);
  addin::PutPictureOnClipboard(halfRed);
  EXPECT_EQ(addin::ClipboardPictureSize(), (TPictureSize{1, 1})) << "from the PNG's header";
  read = addin::TakePictureFromClipboard();
  ASSERT_TRUE(read && read->HasAlpha()) << "PNG first";
  EXPECT_EQ(std::vector<uint8_t>(read->ScanLine(0), read->ScanLine(0) + 4), (std::vector<uint8_t>{0, 0, 255, 128}));
  ASSERT_TRUE(OpenClipboard(nullptr));
  const TBitmap bitmap = BitmapFromHandle(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)));
  CloseClipboard();
  EXPECT_EQ(GetPixelRGB(bitmap, 0, 0), (TRGB{255, 127, 127})) << "the bitmap shows it over white";

  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_FALSE(addin::TakePictureFromClipboard());
  EXPECT_FALSE(addin::ClipboardPictureSize());
}

// The PNG the carved picture is inserted from decodes to the very pixels it
// was made of, opaque or not, at widths that pad rows differently, and tall
// enough for its rows to be deflated in bands side by side.
TEST(Transparency, ThePngOfAPictureDecodesToItsVeryPixels) {
  struct TCase {
    int32_t width, height;
    bool alpha;
  };
  for (const TCase c : {TCase{1, 1, false}, TCase{3, 2, false}, TCase{5, 3, true}, TCase{257, 4, true}, TCase{130, 70, false}, TCase{61, 1030, false}}) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << (c.alpha ? " with alpha" : ""));
    TBitmap picture(c.width, c.height, c.alpha ? 32 : 24);
    picture.SetHasAlpha(c.alpha);
    for (int32_t y = 0; y < c.height; ++y)
      for (int32_t x = 0; x < c.width * picture.BytesPerPixel(); ++x)
        picture.ScanLine(y)[x] = static_cast<uint8_t>(x * 7 + y * 13 + (x * y) % 5);
    const TBitmap decoded = addin::PictureFromPng(EncodePng(picture));
    ASSERT_EQ(decoded.HasAlpha(), c.alpha);
    ASSERT_EQ(decoded.Layout().ByteSize(), picture.Layout().ByteSize());
    for (int32_t y = 0; y < c.height; ++y)
      ASSERT_TRUE(std::equal(picture.ScanLine(y), picture.ScanLine(y) + c.width * picture.BytesPerPixel(), decoded.ScanLine(y)))
          << "row " << y;
  }
}
