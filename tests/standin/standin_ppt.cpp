// standin_ppt: the PowerPoint stand-in as a program. It starts, loads the
// machine's and the current user's add-ins from the registry (saying which
// and from where), shows its window with the
// visible command bars and one slide, runs the scripted steps in order, and
// quits (saving its command bars) after the given number of seconds, at
// once with --quit, or when its window is closed. A window that an add-in
// opens during the steps is printed and answered as a user would (a message
// box with OK, any other window closed), except the progress window, which
// closes by itself when its work is done.
#include <ole2.h>

#include <cstdio>
#include <cwchar>
#include <exception>
#include <optional>
#include <string>

#include "MessageBoxRobot.h"
#include "StandInHost.h"
#include "StandInPictureFile.h"
#include "StandInScript.h"

using namespace carvelo::standin;

namespace {

constexpr wchar_t kUsage[] =
    L"standin_ppt [--bars FILE] [--seconds N] [--picture] [--user-classes] [--quit] [--not-in-rot]\n"
    L"            [--copy-as-displayed] [STEP...]\n"
    L"  --bars FILE      keep custom command bars in FILE between starts\n"
    L"  --not-in-rot     never register in the Running Object Table, as a starting\n"
    L"                   PowerPoint may not be yet when it loads its add-ins\n"
    L"  --copy-as-displayed  Copy puts a picture on the clipboard at its displayed\n"
    L"                   size (96 dpi) instead of its own pixels\n"
    L"  --seconds N      stay open N seconds after the steps (default 5)\n"
    L"  --quit           quit as soon as the steps are done\n"
    L"  --picture        put a sample picture on slide 1 and select it\n"
    L"  --user-classes   find classes in HKCU\\Software\\Classes too, as Windows'\n"
    L"                   merged view does and Wine does not\n"
    L"Steps, run in order after the add-ins are loaded:\n";

constexpr wchar_t kProgressCaption[] = L"Carvelo - Processing";

// A sky over a meadow with a sun, to have something to look at.
TPixels SamplePicture(int width, int height) {
  TPixels p{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int dx = x - width * 2 / 3, dy = y - height / 3;
      uint32_t colour;
      if (dx * dx + dy * dy < height * height / 36)
        colour = 0xF8D030;
      else if (y > height * 2 / 3)
        colour = 0x300040 | (static_cast<uint32_t>(0xA0 - (y - height * 2 / 3) / 2) << 8);
      else
        colour = (static_cast<uint32_t>(120 + y / 2) << 16) | (static_cast<uint32_t>(170 + y / 3) << 8) | 0xF0;
      p.data[static_cast<size_t>(y) * width + x] = colour;
    }
  return p;
}

struct TCommandLine {
  TStandInOptions options;
  unsigned seconds = 5;
  bool picture = false;
  std::vector<TScriptStep> steps;
};

TCommandLine Parse(int argc, wchar_t** argv) {
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  TCommandLine line;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (arg == L"--bars" && i + 1 < args.size()) line.options.barsFile = args[++i];
    else if (arg == L"--seconds" && i + 1 < args.size()) line.seconds = std::wcstoul(args[++i].c_str(), nullptr, 10);
    else if (arg == L"--quit") line.seconds = 0;
    else if (arg == L"--picture") line.picture = true;
    else if (arg == L"--not-in-rot") line.options.registerInRot = false;
    else if (arg == L"--copy-as-displayed") line.options.copyAsDisplayed = true;
    else if (arg == L"--user-classes") line.options.userClassesView = true;
    else if (!ReadScriptStep(args, i, line.steps)) throw EScriptError{L"unknown option \"" + arg + L"\" (see --help)"};
  }
  return line;
}

void Say(const std::wstring& line) {
  std::wprintf(L"%ls\n", line.c_str());
  std::fflush(stdout);
}

// Runs the steps; each window answered is printed after the step that
// opened it.
void RunSteps(TStandInPowerPoint& powerPoint, const std::vector<TScriptStep>& steps) {
  const TMessageBoxRobot robot({kProgressCaption});
  size_t told = 0;
  for (const TScriptStep& step : steps) {
    powerPoint.PumpMessages(50);  // what the last step changed is drawn first
    Say(RunScriptStep(powerPoint, step));
    const auto seen = robot.Seen();
    for (; told < seen.size(); ++told)
      Say(L"answered \"" + seen[told].caption + L"\"" + (seen[told].text.empty() ? L"" : L": " + seen[told].text));
  }
}

int Run(const TCommandLine& line) {
  TStandInPowerPoint powerPoint(line.options);
  powerPoint.ShowWindow();
  powerPoint.LoadAddIns();
  for (const TLoadedAddIn& a : powerPoint.AddIns())
    std::wprintf(L"%ls from %ls%ls: OnConnection 0x%08lX\n", a.progId.c_str(), a.hive.c_str(),
                 a.throughUserClassesView ? L" (class found by the stand-in's merged view of the user's classes)" : L"",
                 static_cast<unsigned long>(a.connectStatus));
  std::fflush(stdout);  // a script waits for these lines
  if (line.picture) {
    auto shape = powerPoint.Slide(1).AddPicture(160, 140, 420, 200, SamplePicture(320, 200));
    powerPoint.SelectShapes({shape});
  }
  int status = 0;
  try {
    RunSteps(powerPoint, line.steps);
  } catch (const EScriptError& e) {
    std::fwprintf(stderr, L"standin_ppt: %ls\n", e.text.c_str());
    status = 1;
  } catch (const EPictureFileError& e) {
    std::fwprintf(stderr, L"standin_ppt: %ls\n", e.text.c_str());
    status = 1;
  }
  powerPoint.PumpMessages(line.seconds * 1000);
  powerPoint.Quit();
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"--help") {
    std::wprintf(L"%ls%ls", kUsage, kScriptUsage);
    return 0;
  }
  TCommandLine line;
  try {
    line = Parse(argc, argv);
  } catch (const EScriptError& e) {
    std::fwprintf(stderr, L"standin_ppt: %ls\n", e.text.c_str());
    return 2;
  }
  if (FAILED(OleInitialize(nullptr))) return 2;
  int status = 1;
  try {
    status = Run(line);
  } catch (const std::exception& e) {
    const std::string what = e.what();  // the library's messages are ASCII
    std::fwprintf(stderr, L"standin_ppt: %ls\n", std::wstring(what.begin(), what.end()).c_str());
  } catch (...) {
    std::fwprintf(stderr, L"standin_ppt: stopped by an unexpected error\n");
  }
  OleUninitialize();
  return status;
}
