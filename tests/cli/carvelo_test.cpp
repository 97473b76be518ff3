// Runs the built carvelo tool on pictures made here and checks what it
// leaves behind.
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <csignal>
#include <thread>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ImageFile.h"

namespace carvelo {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

void Spill(const fs::path& Path, const std::string& Text) { std::ofstream(Path, std::ios::binary) << Text; }

std::string ShellQuoted(const std::string& Text) {
  std::string Out = "'";
  for (char C : Text) Out += C == '\'' ? std::string("'\\''") : std::string(1, C);
  return Out + "'";
}

TBitmap Picture(int32_t W, int32_t H, const std::function<TRGB(int32_t, int32_t)>& Colour) {
  TBitmap B(W, H, 24);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) PutPixelRGB(B, x, y, Colour(x, y));
  return B;
}

// A textured background (no two neighbours alike, nothing blue) for the
// engine to carve through.
TRGB Background(int32_t x, int32_t y) {
  return {uint8_t(60 + (x * 37 + y * 11) % 90), uint8_t(90 + (x * 13 + y * 29) % 80), uint8_t((x + 3 * y) % 40)};
}

class CarveloTool : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* Info = ::testing::UnitTest::GetInstance()->current_test_info();
    Folder = fs::temp_directory_path() / ("carvelo-cli-" + std::to_string(::getpid()) + "-" + Info->name());
    fs::remove_all(Folder);
    fs::create_directories(Folder);
  }
  void TearDown() override { fs::remove_all(Folder); }

  struct TRun {
    int Status;
    std::string Out;
    std::string Err;
  };

  // Shell is run before the tool, in the same shell (e.g. a ulimit).
  TRun Run(const std::vector<std::string>& Args, const std::string& Shell = "") {
    std::string Command = Shell + ShellQuoted(CARVELO_EXE);
    for (const std::string& Arg : Args) Command += " " + ShellQuoted(Arg);
    Command += " >" + ShellQuoted((Folder / ".out").string()) + " 2>" + ShellQuoted((Folder / ".err").string());
    const int Raw = std::system(Command.c_str());
    TRun Result{WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1, Slurp(Folder / ".out"), Slurp(Folder / ".err")};
    fs::remove(Folder / ".out");
    fs::remove(Folder / ".err");
    return Result;
  }

  std::string In(const std::string& Name) const { return (Folder / Name).string(); }

  std::set<std::string> Files() const {
    std::set<std::string> Names;
    for (const auto& Entry : fs::directory_iterator(Folder)) Names.insert(Entry.path().filename().string());
    return Names;
  }

  fs::path Folder;
};

TEST_F(CarveloTool, HelpExplainsTheInterfaceWithAnExample) {
  const TRun R = Run({"--help"});
  EXPECT_EQ(R.Status, 0);
  EXPECT_NE(R.Out.find("Usage: carvelo INPUT OUTPUT --size WIDTHxHEIGHT"), std::string::npos);
  for (const char* Word : {"--mask", "--filter", "--stretch", "--mask-weight", "--no-scale-before-carving",
                           "--quality", "Examples:", "67108864 pixels"})
    EXPECT_NE(R.Out.find(Word), std::string::npos) << Word;
  EXPECT_TRUE(R.Err.empty());
}

// Every refused run: status 2, one line on standard error, and the folder
// (OUTPUT included) exactly as it was.
TEST_F(CarveloTool, ErrorsLeaveOutputAlone) {
  WriteImage(In("in.png"), Picture(12, 8, Background));
  WriteImage(In("small-mask.png"), Picture(10, 8, Background));
  WriteImage(In("wide.png"), Picture(32768, 1, Background));
  Spill(In("text.png"), "this is not a picture\n");
  Spill(In("in.bmp"), "BM");
  Spill(In("out.png"), "previous output");
  Spill(In("locked.png"), "previous output");
  fs::permissions(In("locked.png"), fs::perms::owner_read | fs::perms::group_read);
  fs::create_directory(In("folder.png"));

  struct TCase {
    std::vector<std::string> Args;
    std::string Expected;
  };
  const std::string Out = In("out.png"), Fresh = In("fresh.png");
  const std::vector<TCase> Cases = {
      {{In("missing.png"), Out, "--size", "10x8"}, "cannot read INPUT"},
      {{In("text.png"), Out, "--size", "10x8"}, "cannot read INPUT"},
      {{In("in.bmp"), Out, "--size", "10x8"}, "unsupported file type"},
      {{In("wide.png"), Out, "--size", "10x8"}, "more than 32767 pixels on a side"},
      {{In("in.png"), Out, "--size", "10x8", "--mask", In("small-mask.png")}, "is 10x8 but INPUT is 12x8"},
      {{In("in.png"), Out, "--size", "10x8", "--mask", In("missing.png")}, "cannot read MASK"},
      {{In("in.png"), Out, "--size", "0x8"}, "--size needs WIDTHxHEIGHT"},
      {{In("in.png"), Out, "--size", "32768x8"}, "--size needs WIDTHxHEIGHT"},
      {{In("in.png"), Out}, "--size WIDTHxHEIGHT is needed"},
      {{In("in.png"), Out, "--size", "10x8", "--colour"}, "unknown option '--colour'"},
      {{In("in.png"), Out, "--size", "10x8", "--stretch", "900"}, "--stretch takes"},
      {{In("in.png"), Out, "--size", "10x8", "--quality", "ultra"}, "--quality takes"},
      {{In("in.png"), In("out.gif"), "--size", "10x8"}, "cannot write OUTPUT"},
      {{In("in.png"), In("no-such-folder/out.png"), "--size", "10x8"}, "cannot write OUTPUT"},
      {{In("missing.png"), In("no-such-folder/out.png"), "--size", "10x8"}, "cannot write OUTPUT"},  // first
      {{In("in.png"), In("locked.png"), "--size", "10x8"}, "the file is read-only"},
      {{In("in.png"), In("folder.png"), "--size", "10x8"}, "it is a folder"},
      {{In("in.png"), Out, "--size", "32767x32767"}, "more than 67108864 pixels in all while carving"},
      {{In("in.png"), Fresh, "--size", "10x8", "--filter", "canny"}, "--filter takes"},
  };
  const std::set<std::string> Before = Files();
  for (const TCase& Case : Cases) {
    const TRun R = Run(Case.Args);
    const std::string Shown = Case.Args[0] + " ... " + Case.Expected;
    EXPECT_EQ(R.Status, 2) << Shown;
    EXPECT_EQ(R.Err.rfind("carvelo: ", 0), 0u) << R.Err;
    EXPECT_NE(R.Err.find(Case.Expected), std::string::npos) << R.Err;
    EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 1) << R.Err;
    EXPECT_EQ(Slurp(Out), "previous output") << Shown;
    EXPECT_EQ(Files(), Before) << Shown;  // nothing created, no temporary file left
  }
}

TEST_F(CarveloTool, FitsToTheRequestedSize) {
  WriteImage(In("in.png"), Picture(24, 16, Background));
  ASSERT_EQ(Run({In("in.png"), In("wide.png"), "--size", "30x16"}).Status, 0);
  const TBitmap Wide = ReadImage(In("wide.png"));
  EXPECT_EQ(Wide.Width(), 30);
  EXPECT_EQ(Wide.Height(), 16);

  // JPEG both ways, a height change only.
  ASSERT_EQ(Run({In("wide.png"), In("short.jpg"), "--size", "30x11", "--filter", "sobel"}).Status, 0);
  const TBitmap Short = ReadImage(In("short.jpg"));
  EXPECT_EQ(Short.Width(), 30);
  EXPECT_EQ(Short.Height(), 11);
  ASSERT_EQ(Run({In("short.jpg"), In("again.JPEG"), "--size", "20x11"}).Status, 0);
  EXPECT_EQ(ReadImage(In("again.JPEG")).Width(), 20);
}

TEST_F(CarveloTool, ShrinkingBothWaysResamplesFirstAndCarvesTheRest) {
  // 40x30 shown at 20x24: s = 0.8, a 32x24 working picture, fw = 0.625.
  WriteImage(In("in.png"), Picture(40, 30, Background));
  for (const char* Quality : {"low", "good", "high"}) {
    ASSERT_EQ(Run({In("in.png"), In("out.png"), "--size", "20x24", "--quality", Quality}).Status, 0);
    const TBitmap Out = ReadImage(In("out.png"));
    EXPECT_EQ(Out.Width(), 20);
    EXPECT_EQ(Out.Height(), 24);
  }
  ASSERT_EQ(Run({In("in.png"), In("out.png"), "--size", "20x24", "--no-scale-before-carving"}).Status, 0);
  EXPECT_EQ(ReadImage(In("out.png")).Height(), 24);
}

// Tall enough for the written PNG's rows to be deflated in bands side by side.
TEST_F(CarveloTool, SameSizeWithoutMaskGivesThePictureBack) {
  const TBitmap Source = Picture(15, 1100, Background);
  WriteImage(In("in.png"), Source);
  ASSERT_EQ(Run({In("in.png"), In("out.png"), "--size", "15x1100"}).Status, 0);
  const TBitmap Out = ReadImage(In("out.png"));
  for (int32_t y = 0; y < Source.Height(); ++y)
    for (int32_t x = 0; x < 15; ++x) ASSERT_EQ(GetPixelRGB(Out, x, y), GetPixelRGB(Source, x, y)) << x << "," << y;
}

TEST_F(CarveloTool, ATransparentPngStaysTransparent) {
  // Alpha equal to the red byte, fully transparent pixels among them: at the
  // same size every pixel comes back as it was, and carved narrower every
  // pixel's alpha still equals its red, so alpha moved with its pixel.
  std::vector<uint8_t> Rgba;
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 12; ++x) {
      const TRGB C = Background(x, y);
      const uint8_t Red = (x + y) % 5 == 0 ? 0 : C.R;
      Rgba.insert(Rgba.end(), {Red, C.G, C.B, Red});
    }
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  Image.width = 12;
  Image.height = 8;
  Image.format = PNG_FORMAT_RGBA;
  ASSERT_TRUE(png_image_write_to_file(&Image, In("alpha.png").c_str(), 0, Rgba.data(), 0, nullptr));
  for (const char* Size : {"12x8", "9x8"}) {
    ASSERT_EQ(Run({In("alpha.png"), In("out.png"), "--size", Size}).Status, 0) << Size;
    const TBitmap Out = ReadImage(In("out.png"));
    ASSERT_TRUE(Out.HasAlpha()) << Size;
    for (int32_t y = 0; y < Out.Height(); ++y)
      for (int32_t x = 0; x < Out.Width(); ++x) {
        const uint8_t* P = Out.ScanLine(y) + 4 * x;
        ASSERT_EQ(P[3], P[2]) << Size << " at " << x << "," << y;
        const uint8_t* In = &Rgba[4 * static_cast<size_t>(y * 12 + x)];
        if (Out.Width() == 12) {
          ASSERT_EQ((std::vector<int>{P[2], P[1], P[0]}), (std::vector<int>{In[0], In[1], In[2]})) << x << "," << y;
        }
      }
  }
}

TEST_F(CarveloTool, MaskRemovesTheMarkedObjectAtTheSameSize) {
  // A blue block on the textured background, marked red in the mask, and a
  // protected green stripe elsewhere.
  const auto IsObject = [](int32_t x, int32_t y) { return x >= 20 && x < 26 && y >= 8 && y < 20; };
  const TBitmap Source = Picture(48, 30, [&](int32_t x, int32_t y) {
    return IsObject(x, y) ? TRGB{20, 40, 250} : Background(x, y);
  });
  const TBitmap Mask = Picture(48, 30, [&](int32_t x, int32_t y) {
    if (IsObject(x, y)) return TRGB{255, 0, 0};
    if (x >= 5 && x < 8) return TRGB{0, 128, 0};
    return TRGB{255, 255, 255};
  });
  WriteImage(In("in.png"), Source);
  WriteImage(In("mask.png"), Mask);
  const TRun R = Run({In("in.png"), In("out.png"), "--size", "48x30", "--mask", In("mask.png")});
  ASSERT_EQ(R.Status, 0) << R.Err;
  const TBitmap Out = ReadImage(In("out.png"));
  ASSERT_EQ(Out.Width(), 48);
  ASSERT_EQ(Out.Height(), 30);
  int Blue = 0;
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 48; ++x) Blue += GetPixelRGB(Out, x, y).B > 150;
  EXPECT_EQ(Blue, 0);

  // Without the mask the object stays.
  ASSERT_EQ(Run({In("in.png"), In("plain.png"), "--size", "48x30"}).Status, 0);
  const TBitmap Plain = ReadImage(In("plain.png"));
  int PlainBlue = 0;
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 48; ++x) PlainBlue += GetPixelRGB(Plain, x, y).B > 150;
  EXPECT_EQ(PlainBlue, 6 * 12);
}

TEST_F(CarveloTool, AThinSlantedStrokeLeavesThePictureWhole) {
  // A one-pixel red line from corner to corner: carved out with a seam or
  // two, so a large part of the picture keeps its place, rather than being
  // carved down to a row and grown back.
  const TBitmap Source = Picture(60, 40, Background);
  WriteImage(In("in.png"), Source);
  WriteImage(In("mask.png"), Picture(60, 40, [](int32_t x, int32_t y) {
               return y == x * 39 / 59 ? TRGB{255, 0, 0} : TRGB{255, 255, 255};
             }));
  ASSERT_EQ(Run({In("in.png"), In("out.png"), "--size", "60x40", "--mask", In("mask.png")}).Status, 0);
  const TBitmap Out = ReadImage(In("out.png"));
  int Kept = 0;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 60; ++x) Kept += GetPixelRGB(Out, x, y) == GetPixelRGB(Source, x, y);
  EXPECT_GT(Kept, 60 * 40 / 3);
}

TEST_F(CarveloTool, MaskFollowsAPreScaledPicture) {
  // Shrunk to half both ways, the marks are brought to the working size
  // pixel for pixel and still remove the object.
  const auto IsObject = [](int32_t x, int32_t y) { return x >= 40 && x < 52 && y >= 16 && y < 40; };
  WriteImage(In("in.png"), Picture(96, 60, [&](int32_t x, int32_t y) {
               return IsObject(x, y) ? TRGB{20, 40, 250} : Background(x, y);
             }));
  WriteImage(In("mask.png"), Picture(96, 60, [&](int32_t x, int32_t y) {
               return IsObject(x, y) ? TRGB{255, 0, 0} : TRGB{0, 0, 0};
             }));
  const TRun R = Run({In("in.png"), In("out.png"), "--size", "48x30", "--mask", In("mask.png"), "--quality", "low"});
  ASSERT_EQ(R.Status, 0) << R.Err;
  const TBitmap Out = ReadImage(In("out.png"));
  ASSERT_EQ(Out.Width(), 48);
  ASSERT_EQ(Out.Height(), 30);
  int Blue = 0;
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 48; ++x) Blue += GetPixelRGB(Out, x, y).B > 150;
  EXPECT_EQ(Blue, 0);
}

// A PNG file of 1x1 pixels whose header claims W x H (its checksum right).
std::string PngClaiming(uint32_t W, uint32_t H, const fs::path& Scratch) {
  WriteImage(Scratch.string(), Picture(1, 1, Background));
  std::string File = Slurp(Scratch);
  for (int k = 0; k < 4; ++k) {
    File[size_t(16 + k)] = char(W >> (24 - 8 * k));
    File[size_t(20 + k)] = char(H >> (24 - 8 * k));
  }
  const uLong Crc = crc32(0, reinterpret_cast<const Bytef*>(File.data() + 12), 17);
  for (int k = 0; k < 4; ++k) File[size_t(29 + k)] = char(Crc >> (24 - 8 * k));
  return File;
}

// A progressive 16x16 JPEG whose frame header claims W x H: libjpeg would
// hold the whole claimed picture's coefficients.
std::string ProgressiveJpegClaiming(uint16_t W, uint16_t H) {
  jpeg_compress_struct C;
  jpeg_error_mgr Errors;
  C.err = jpeg_std_error(&Errors);
  jpeg_create_compress(&C);
  unsigned char* Data = nullptr;
  unsigned long Size = 0;
  jpeg_mem_dest(&C, &Data, &Size);
  C.image_width = C.image_height = 16;
  C.input_components = 3;
  C.in_color_space = JCS_RGB;
  jpeg_set_defaults(&C);
  jpeg_simple_progression(&C);
  jpeg_start_compress(&C, TRUE);
  std::vector<JSAMPLE> Row(16 * 3, 99);
  for (JSAMPROW Line = Row.data(); C.next_scanline < 16;) jpeg_write_scanlines(&C, &Line, 1);
  jpeg_finish_compress(&C);
  jpeg_destroy_compress(&C);
  std::string File(reinterpret_cast<const char*>(Data), Size);
  std::free(Data);
  const size_t Frame = File.find("\xFF\xC2");
  File[Frame + 5] = char(H >> 8), File[Frame + 6] = char(H);
  File[Frame + 7] = char(W >> 8), File[Frame + 8] = char(W);
  return File;
}

TEST_F(CarveloTool, HugeClaimedSizesAreRefusedBeforeAnyPixelBuffer) {
  Spill(In("side.png"), PngClaiming(32767, 32767, Folder / "scratch.png"));
  Spill(In("budget.png"), PngClaiming(8192, 8193, Folder / "scratch.png"));
  Spill(In("side.jpg"), ProgressiveJpegClaiming(32767, 32767));
  Spill(In("budget.jpg"), ProgressiveJpegClaiming(8193, 8192));
  Spill(In("out.png"), "previous output");
#if defined(__SANITIZE_ADDRESS__)
  const std::string Limit;  // the sanitizer reserves terabytes of address space
#else
  const std::string Limit = "ulimit -v 100000; ";  // 100 MB: none of the claimed pictures fits
#endif
  for (const char* Name : {"side.png", "budget.png", "side.jpg", "budget.jpg"}) {
    const TRun R = Run({In(Name), In("out.png"), "--size", "10x10"}, Limit);
    EXPECT_EQ(R.Status, 2) << Name;
    EXPECT_NE(R.Err.find("more than 67108864 pixels in all"), std::string::npos) << R.Err;
    EXPECT_EQ(Slurp(In("out.png")), "previous output");
  }
}

TEST_F(CarveloTool, DamagedJpegsAreRefused) {
  WriteImage(In("in.jpg"), Picture(64, 48, Background));
  const std::string Good = Slurp(In("in.jpg"));
  const size_t Scan = Good.find("\xFF\xDA"), End = Good.size() - 2;  // entropy data, end marker
  std::vector<std::string> Damaged;
  for (size_t k = 1; k <= 10; ++k) Damaged.push_back(Good.substr(0, Good.size() * k / 11));
  Damaged.push_back(Good.substr(0, End) + std::string(100, 0x6A) + Good.substr(End));  // extraneous data
  Damaged.push_back(std::string(Good).replace((Scan + End) / 2, 2, "\xFF\xD9"));          // data cut short
  Damaged.push_back(std::string(Good).replace((Scan + End) / 2, 8, std::string("\xFF\0\xFF\0\xFF\0\xFF\0", 8)));
  Spill(In("out.png"), "previous output");
  for (const std::string& File : Damaged) {
    Spill(In("bad.jpg"), File);
    const TRun R = Run({In("bad.jpg"), In("out.png"), "--size", "64x48"});
    EXPECT_EQ(R.Status, 2) << &File - Damaged.data() << ": " << R.Err;
    EXPECT_TRUE(Slurp(In("out.png")) == "previous output");
    Spill(In("out.png"), "previous output");
  }
}

TEST_F(CarveloTool, AnInterruptedWriteLeavesNoFile) {
  // A picture of noise: its PNG takes long enough to write to be caught in
  // the act.
  WriteImage(In("noise.jpg"), Picture(2000, 1500, [](int32_t x, int32_t y) {
               const uint32_t h = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
               return TRGB{uint8_t(h), uint8_t(h >> 8), uint8_t(h >> 16)};
             }));
  Spill(In("out.png"), "previous output");
  const std::set<std::string> Before = Files();
  for (int Signal : {SIGINT, SIGTERM, SIGHUP}) {
    const std::string Input = In("noise.jpg"), Output = In("out.png");
    const char* Argv[] = {CARVELO_EXE, Input.c_str(), Output.c_str(), "--size", "2000x1500", nullptr};
    pid_t Child = 0;
    ASSERT_EQ(posix_spawn(&Child, CARVELO_EXE, nullptr, nullptr, const_cast<char**>(Argv), environ), 0);
    // Wait until the temporary file holds data, then interrupt.
    int Status = 0;
    for (bool Writing = false; !Writing;) {
      ASSERT_EQ(waitpid(Child, &Status, WNOHANG), 0) << "ended before it was seen writing";
      for (const auto& Entry : fs::directory_iterator(Folder))
        Writing |= Entry.path().filename().string().starts_with(".carvelo-") && fs::file_size(Entry.path()) > 0;
      if (!Writing) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(kill(Child, Signal), 0);
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    EXPECT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == Signal) << Signal;
    EXPECT_EQ(Files(), Before) << Signal;
    EXPECT_EQ(Slurp(In("out.png")), "previous output");
  }
}

TEST_F(CarveloTool, WritesThroughLinksAndTakesLongNames) {
  WriteImage(In("in.png"), Picture(12, 8, Background));
  fs::create_directory(Folder / "pictures");
  fs::create_symlink("pictures/target.png", Folder / "link.png");
  ASSERT_EQ(Run({In("in.png"), In("link.png"), "--size", "10x8"}).Status, 0);
  EXPECT_TRUE(fs::is_symlink(Folder / "link.png"));
  EXPECT_EQ(ReadImage(In("pictures/target.png")).Width(), 10);

  const std::string Long = std::string(251, 'n') + ".png";  // 255 characters, the most a name may have
  const TRun R = Run({In("in.png"), In(Long), "--size", "10x8"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(Files(), (std::set<std::string>{"in.png", "link.png", "pictures", Long}));
}

}  // namespace
}  // namespace carvelo
