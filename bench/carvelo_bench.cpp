// Times the carving engine against liblqr on the same decoded pictures.
//
// Every run carves in a child process of its own, forked after the picture is
// decoded, so that the operating system can tell its peak memory; runs of the
// two engines alternate. Only the carve itself is timed: for this engine
// Carve_Image, for liblqr creating the carver, initialising it, resizing and
// reading the result out. Decoding and writing pictures are not timed.
//
// With --load N every job is timed a second time while a separate process
// keeps N threads busy, as another program on the machine would.
//
// Beside them, this engine is timed on one thread (no helpers), the ratio
// that a loaded or single-core machine sees; the table starts with the
// machine it ran on.
//
//   carvelo_bench [--images DIR] [--reps N] [--jobs abcdefg] [--out DIR] [--load N] [--helpers N]
//   carvelo_bench --only ours|lqr --job X [--images DIR] [--out DIR] [--helpers N]
//
// The second form runs one engine once in this process, for /usr/bin/time -v.
#include <lqr.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "GEM.h"

namespace {

using carvelo::GML_Color;
using carvelo::GML_Int;

struct TJob {
  char Name;
  const char* File;
  int32_t Width;  // target size
  int32_t Height;
};

constexpr TJob Jobs[] = {
    {'a', "storm_1920x1080.png", 1440, 1080}, {'b', "storm_1920x1080.png", 1920, 810},
    {'c', "storm_1920x1080.png", 2400, 1080}, {'d', "storm_1920x1080.png", 1440, 1350},
    {'e', "astronaut_512x512.png", 384, 512}, {'f', "storm_4000x3000.png", 3000, 3000},
    {'g', "storm_4000x3000.png", 5000, 3000},
};

enum class TEngine { Ours, Lqr };

const char* Name_Of(TEngine Engine) { return Engine == TEngine::Ours ? "ours" : "liblqr"; }

// Three bytes a pixel, red first. Rgb is g_malloc'd: liblqr takes it over.
struct TPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  guchar* Rgb = nullptr;
};

struct TRun {
  double Seconds = 0;
  uint64_t Hash = 0;  // of the carved picture, to see that runs agree
  int32_t Width = 0;
  int32_t Height = 0;
  long Peak_KiB = 0;
};

struct TOptions {
  std::string Images = CARVELO_TESTIMAGES;
  std::string Out;  // where to write the carved pictures, if anywhere
  std::string Jobs = "abcdefg";
  int Reps = 5;
  int Load = 0;  // busy threads beside the loaded timings; 0: no loaded timings
  int Helpers = -1;  // the engine's helper threads; below 0 its own choice
  bool Only = false;
  TEngine Engine = TEngine::Ours;
};

[[noreturn]] void Fail(const std::string& Message) {
  std::fprintf(stderr, "carvelo_bench: %s\n", Message.c_str());
  std::exit(2);
}

TPicture Decode_Png(const std::string& Path) {
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&Image, Path.c_str())) Fail("cannot read " + Path + ": " + Image.message);
  Image.format = PNG_FORMAT_RGB;
  TPicture Picture{int32_t(Image.width), int32_t(Image.height), static_cast<guchar*>(g_malloc(PNG_IMAGE_SIZE(Image)))};
  if (!png_image_finish_read(&Image, nullptr, Picture.Rgb, 0, nullptr)) Fail("cannot decode " + Path);
  return Picture;
}

void Write_Png(const std::string& Path, int32_t Width, int32_t Height, const std::vector<uint8_t>& Rgb) {
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  Image.width = png_uint_32(Width);
  Image.height = png_uint_32(Height);
  Image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&Image, Path.c_str(), 0, Rgb.data(), 0, nullptr)) Fail("cannot write " + Path);
}

uint64_t Fnv1a(const std::vector<uint8_t>& Bytes) {
  uint64_t Hash = 14695981039346656037ull;
  for (uint8_t B : Bytes) Hash = (Hash ^ B) * 1099511628211ull;
  return Hash;
}

double Seconds_Since(std::chrono::steady_clock::time_point Start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

// The engine's picture as the worker makes it: the fourth byte is 1.
GML_Color To_Engine(const TPicture& Picture) {
  GML_Color Color(Picture.Width, Picture.Height);
  for (int32_t Y = 0; Y < Picture.Height; ++Y) {
    const guchar* In = Picture.Rgb + size_t(Y) * size_t(Picture.Width) * 3;
    uint32_t* Out = Color.Row(Y);
    for (int32_t X = 0; X < Picture.Width; ++X, In += 3) Out[X] = carvelo::GML_Pixel(In[0], In[1], In[2], 1);
  }
  return Color;
}

std::vector<uint8_t> From_Engine(const GML_Color& Color) {
  std::vector<uint8_t> Rgb;
  Rgb.reserve(size_t(Color.Width()) * size_t(Color.Height()) * 3);
  for (int32_t Y = 0; Y < Color.Height(); ++Y)
    for (int32_t X = 0; X < Color.Width(); ++X) {
      const uint32_t Pixel = Color.Get(X, Y);
      Rgb.insert(Rgb.end(), {uint8_t(Pixel), uint8_t(Pixel >> 8), uint8_t(Pixel >> 16)});
    }
  return Rgb;
}

std::vector<uint8_t> Carve_Ours(TPicture& Picture, const TJob& Job, int Helpers, TRun& Run) {
  const GML_Color Source = To_Engine(Picture);
  g_free(Picture.Rgb);  // the engine's own copy is all it keeps, as in the add-in
  Picture.Rgb = nullptr;
  const GML_Int Weights(Source.Width(), Source.Height());
  GML_Int Work_Weights;
  GML_Color Dest;
  const auto Start = std::chrono::steady_clock::now();
  carvelo::TCarveControl Control;
  Control.Helpers = Helpers;
  carvelo::TGEM(Control).Carve_Image(Source, Weights, Job.Width, Job.Height, 400, carvelo::Filter_Prewitt, true,
                                     Work_Weights, Dest);
  Run.Seconds = Seconds_Since(Start);
  Run.Width = Dest.Width();
  Run.Height = Dest.Height();
  return From_Engine(Dest);
}

std::vector<uint8_t> Read_Lqr(LqrCarver* Carver) {
  const gint Width = lqr_carver_get_width(Carver), Height = lqr_carver_get_height(Carver);
  std::vector<uint8_t> Rgb(size_t(Width) * size_t(Height) * 3);
  const bool By_Row = lqr_carver_scan_by_row(Carver);
  lqr_carver_scan_reset(Carver);
  gint Line = 0;
  guchar* Data = nullptr;
  while (lqr_carver_scan_line(Carver, &Line, &Data)) {
    if (By_Row) {
      std::memcpy(&Rgb[size_t(Line) * size_t(Width) * 3], Data, size_t(Width) * 3);
      continue;
    }
    for (gint Y = 0; Y < Height; ++Y)
      std::memcpy(&Rgb[(size_t(Y) * size_t(Width) + size_t(Line)) * 3], Data + size_t(Y) * 3, 3);
  }
  return Rgb;
}

std::vector<uint8_t> Carve_Lqr(TPicture& Picture, const TJob& Job, TRun& Run) {
  const auto Start = std::chrono::steady_clock::now();
  LqrCarver* Carver = lqr_carver_new(Picture.Rgb, Picture.Width, Picture.Height, 3);
  Picture.Rgb = nullptr;  // the carver owns it now
  if (!Carver || lqr_carver_init(Carver, 1, 0) != LQR_OK || lqr_carver_resize(Carver, Job.Width, Job.Height) != LQR_OK)
    Fail("liblqr failed");
  std::vector<uint8_t> Rgb = Read_Lqr(Carver);
  Run.Seconds = Seconds_Since(Start);
  Run.Width = lqr_carver_get_width(Carver);
  Run.Height = lqr_carver_get_height(Carver);
  lqr_carver_destroy(Carver);
  return Rgb;
}

// One carve of Picture (which it takes over), optionally written to Out.
TRun Carve(TEngine Engine, TPicture& Picture, const TJob& Job, const std::string& Out, int Helpers) {
  TRun Run;
  const std::vector<uint8_t> Rgb =
      Engine == TEngine::Ours ? Carve_Ours(Picture, Job, Helpers, Run) : Carve_Lqr(Picture, Job, Run);
  Run.Hash = Fnv1a(Rgb);
  if (!Out.empty()) Write_Png(Out + "/" + Name_Of(Engine) + "_" + Job.Name + ".png", Run.Width, Run.Height, Rgb);
  return Run;
}

// Carves in a forked child: the child inherits the decoded picture and gives
// back its timing; its peak memory comes from the kernel.
TRun Carve_In_Child(TEngine Engine, const TPicture& Picture, const TJob& Job, const std::string& Out, int Helpers) {
  int Pipe[2];
  if (pipe(Pipe) != 0) Fail("pipe failed");
  const pid_t Child = fork();
  if (Child < 0) Fail("fork failed");
  if (Child == 0) {
    close(Pipe[0]);
    TPicture Own = Picture;
    const TRun Run = Carve(Engine, Own, Job, Out, Helpers);
    const bool Sent = write(Pipe[1], &Run, sizeof Run) == ssize_t(sizeof Run);
    _exit(Sent ? 0 : 1);
  }
  close(Pipe[1]);
  TRun Run;
  const bool Received = read(Pipe[0], &Run, sizeof Run) == ssize_t(sizeof Run);
  close(Pipe[0]);
  int Status = 0;
  rusage Usage{};
  wait4(Child, &Status, 0, &Usage);
  if (!Received || !WIFEXITED(Status) || WEXITSTATUS(Status) != 0) Fail(std::string(Name_Of(Engine)) + " run failed");
  Run.Peak_KiB = Usage.ru_maxrss;
  return Run;
}

// A process of its own that keeps Threads threads spinning until killed, so
// that it shows in neither engine's memory nor its timing's process.
class TBusyLoad {
public:
  explicit TBusyLoad(int Threads) {
    if (Threads <= 0) return;
    FChild = fork();
    if (FChild < 0) Fail("fork failed");
    if (FChild == 0) {
      std::vector<std::thread> Spinners;
      for (int i = 1; i < Threads; ++i) Spinners.emplace_back(Spin);
      Spin();
    }
  }
  ~TBusyLoad() {
    if (FChild <= 0) return;
    kill(FChild, SIGKILL);
    waitpid(FChild, nullptr, 0);
  }
  TBusyLoad(const TBusyLoad&) = delete;
  TBusyLoad& operator=(const TBusyLoad&) = delete;

private:
  [[noreturn]] static void Spin() {
    std::atomic<uint64_t> Count = 0;
    while (true) Count.fetch_add(1, std::memory_order_relaxed);
  }
  pid_t FChild = 0;
};

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  const size_t N = Values.size();
  return N % 2 ? Values[N / 2] : (Values[N / 2 - 1] + Values[N / 2]) / 2;
}

const TJob& Job_Named(char Name) {
  for (const TJob& Job : Jobs)
    if (Job.Name == Name) return Job;
  Fail(std::string("no job ") + Name);
}

struct TTimes {
  double Ours = 0, Lqr = 0;  // median seconds
  double Ratio() const { return Lqr / Ours; }
};

struct TJobResult {
  TTimes Quiet, Loaded;
  double One_Thread = 0;  // median seconds of ours without helpers
  long Ours_KiB = 0, Lqr_KiB = 0;
  bool Ours_Repeatable = true;
};

// Options.Reps runs of each engine, taking turns; the peaks and the check that
// every run of ours gave the same bytes go into Result.
TTimes Time_Job(const TOptions& Options, const TJob& Job, const TPicture& Picture, TJobResult& Result,
                uint64_t& First_Hash) {
  std::vector<double> Ours, Lqr;
  for (int Rep = 0; Rep < Options.Reps; ++Rep) {
    const std::string Out = (Rep == 0 && First_Hash == 0) ? Options.Out : std::string();
    for (int Turn = 0; Turn < 2; ++Turn) {  // alternate which engine goes first
      const TEngine Engine = (Rep + Turn) % 2 == 0 ? TEngine::Ours : TEngine::Lqr;
      const TRun Run = Carve_In_Child(Engine, Picture, Job, Out, Options.Helpers);
      if (Run.Width != Job.Width || Run.Height != Job.Height) Fail(std::string(Name_Of(Engine)) + ": wrong size");
      if (Engine == TEngine::Ours) {
        Ours.push_back(Run.Seconds);
        Result.Ours_KiB = std::max(Result.Ours_KiB, Run.Peak_KiB);
        if (First_Hash == 0) First_Hash = Run.Hash;
        Result.Ours_Repeatable = Result.Ours_Repeatable && Run.Hash == First_Hash;
      } else {
        Lqr.push_back(Run.Seconds);
        Result.Lqr_KiB = std::max(Result.Lqr_KiB, Run.Peak_KiB);
      }
    }
  }
  return {Median(Ours), Median(Lqr)};
}

TJobResult Bench_Job(const TOptions& Options, const TJob& Job, const TPicture& Picture) {
  TJobResult Result;
  uint64_t First_Hash = 0;
  Result.Quiet = Time_Job(Options, Job, Picture, Result, First_Hash);
  std::vector<double> One_Thread;
  for (int Rep = 0; Rep < Options.Reps; ++Rep) {
    const TRun Run = Carve_In_Child(TEngine::Ours, Picture, Job, std::string(), 0);
    if (Run.Hash != First_Hash) Result.Ours_Repeatable = false;  // helpers never change the bytes
    One_Thread.push_back(Run.Seconds);
  }
  Result.One_Thread = Median(One_Thread);
  if (Options.Load > 0) {
    const TBusyLoad Load(Options.Load);
    Result.Loaded = Time_Job(Options, Job, Picture, Result, First_Hash);
  }
  return Result;
}

// The first line of a field of /proc/cpuinfo, such as "model name".
std::string Cpu_Info(const std::string& Field) {
  std::FILE* File = std::fopen("/proc/cpuinfo", "r");
  if (!File) return "unknown";
  char Line[512];
  std::string Value = "unknown";
  while (std::fgets(Line, sizeof Line, File)) {
    const std::string Text = Line;
    if (Text.rfind(Field, 0) != 0) continue;
    const size_t Colon = Text.find(':');
    if (Colon != std::string::npos) Value = Text.substr(Colon + 2, Text.size() - Colon - 3);
    break;
  }
  std::fclose(File);
  return Value;
}

// The caches of the first processor, such as "L1d 48K, L2 1280K, L3 24576K".
std::string Cache_Sizes() {
  std::string Caches;
  for (int Index = 0; Index < 8; ++Index) {
    const std::string Dir = "/sys/devices/system/cpu/cpu0/cache/index" + std::to_string(Index) + "/";
    const auto Read = [&](const char* Name) {
      std::string Value;
      if (std::FILE* File = std::fopen((Dir + Name).c_str(), "r")) {
        char Text[64] = {};
        if (std::fgets(Text, sizeof Text, File)) Value = Text;
        std::fclose(File);
      }
      while (!Value.empty() && (Value.back() == '\n' || Value.back() == ' ')) Value.pop_back();
      return Value;
    };
    const std::string Level = Read("level"), Type = Read("type"), Size = Read("size");
    if (Level.empty()) break;
    if (Type == "Instruction") continue;
    if (!Caches.empty()) Caches += ", ";
    Caches += "L" + Level + (Type == "Data" ? "d " : " ") + Size;
  }
  return Caches.empty() ? "cache " + Cpu_Info("cache size") : Caches;  // some machines have no cache folders
}

int Run_Table(const TOptions& Options) {
  const bool Loaded = Options.Load > 0;
  std::printf("machine: %s, %u processors, %s\n\n", Cpu_Info("model name").c_str(),
              std::thread::hardware_concurrency(), Cache_Sizes().c_str());
  std::printf("| job | picture | size | ours (s) | liblqr (s) | liblqr / ours | one thread: ours (s) | liblqr / ours |");
  if (Loaded) std::printf(" loaded: ours (s) | liblqr (s) | liblqr / ours |");
  std::printf(" ours peak (MiB) | liblqr peak (MiB) |\n|---|---|---|---:|---:|---:|---:|---:|");
  if (Loaded) std::printf("---:|---:|---:|");
  std::printf("---:|---:|\n");
  double Worst = 1e300, Worst_Loaded = 1e300, Worst_One_Thread = 1e300;
  bool Repeatable = true;
  for (char Name : Options.Jobs) {
    const TJob& Job = Job_Named(Name);
    TPicture Picture = Decode_Png(Options.Images + "/" + Job.File);
    const TJobResult R = Bench_Job(Options, Job, Picture);
    g_free(Picture.Rgb);
    Worst = std::min(Worst, R.Quiet.Ratio());
    Repeatable = Repeatable && R.Ours_Repeatable;
    const double One_Thread_Ratio = R.Quiet.Lqr / R.One_Thread;
    Worst_One_Thread = std::min(Worst_One_Thread, One_Thread_Ratio);
    std::printf("| %c | %s | %dx%d -> %dx%d | %.3f | %.3f | %.2f | %.3f | %.2f |", Job.Name, Job.File, Picture.Width,
                Picture.Height, Job.Width, Job.Height, R.Quiet.Ours, R.Quiet.Lqr, R.Quiet.Ratio(), R.One_Thread,
                One_Thread_Ratio);
    if (Loaded) {
      Worst_Loaded = std::min(Worst_Loaded, R.Loaded.Ratio());
      std::printf(" %.3f | %.3f | %.2f |", R.Loaded.Ours, R.Loaded.Lqr, R.Loaded.Ratio());
    }
    std::printf(" %.1f | %.1f |\n", R.Ours_KiB / 1024.0, R.Lqr_KiB / 1024.0);
    std::fflush(stdout);
  }
  std::printf("\nmedians of %d runs each", Options.Reps);
  if (Loaded) std::printf(", loaded with %d busy thread%s", Options.Load, Options.Load == 1 ? "" : "s");
  std::printf("; ours gave the same bytes in every run: %s\n", Repeatable ? "yes" : "NO");
  std::printf("worst ratio: %.2f\n", Worst);
  std::printf("worst ratio on one thread: %.2f\n", Worst_One_Thread);
  if (Loaded) std::printf("worst ratio under load: %.2f\n", Worst_Loaded);
  return Repeatable ? 0 : 1;
}

int Run_Alone(const TOptions& Options) {
  if (Options.Jobs.size() != 1) Fail("--only needs exactly one --job");
  const TJob& Job = Job_Named(Options.Jobs[0]);
  TPicture Picture = Decode_Png(Options.Images + "/" + Job.File);
  const TRun Run = Carve(Options.Engine, Picture, Job, Options.Out, Options.Helpers);
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  std::printf("%s job %c: %.3f s, %dx%d, peak %.1f MiB, hash %016llx\n", Name_Of(Options.Engine), Job.Name,
              Run.Seconds, Run.Width, Run.Height, Usage.ru_maxrss / 1024.0, static_cast<unsigned long long>(Run.Hash));
  return 0;
}

TOptions Parse(int Argc, char** Argv) {
  TOptions Options;
  for (int i = 1; i < Argc; ++i) {
    const std::string Arg = Argv[i];
    const auto Value = [&]() -> std::string {
      if (i + 1 >= Argc) Fail(Arg + " needs a value");
      return Argv[++i];
    };
    if (Arg == "--images") Options.Images = Value();
    else if (Arg == "--out") Options.Out = Value();
    else if (Arg == "--reps") Options.Reps = std::max(1, std::atoi(Value().c_str()));
    else if (Arg == "--load") Options.Load = std::max(0, std::atoi(Value().c_str()));
    else if (Arg == "--helpers") Options.Helpers = std::atoi(Value().c_str());
    else if (Arg == "--jobs" || Arg == "--job") Options.Jobs = Value();
    else if (Arg == "--only") {
      const std::string Engine = Value();
      if (Engine != "ours" && Engine != "lqr") Fail("--only takes ours or lqr");
      Options.Only = true;
      Options.Engine = Engine == "ours" ? TEngine::Ours : TEngine::Lqr;
    } else {
      Fail("unknown option " + Arg);
    }
  }
  return Options;
}

}  // namespace

int main(int Argc, char** Argv) {
  const TOptions Options = Parse(Argc, Argv);
  return Options.Only ? Run_Alone(Options) : Run_Table(Options);
}
