// standin_ppt: the PowerPoint stand-in as a program. It starts, loads the
// current user's add-ins from the registry, shows its window with the
// visible command bars and one slide, and quits (saving its command bars)
// after the given number of seconds or when its window is closed.
//   standin_ppt [--bars FILE] [--seconds N] [--picture]
#include <ole2.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "HostIds.h"
#include "StandInHost.h"

using namespace carvelo::standin;

namespace {
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
}  // namespace

int wmain(int argc, wchar_t** argv) {
  TStandInOptions options;
  unsigned seconds = 5;
  bool picture = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--bars" && i + 1 < argc) options.barsFile = argv[++i];
    else if (arg == L"--seconds" && i + 1 < argc) seconds = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
    else if (arg == L"--picture") picture = true;
  }
  if (FAILED(OleInitialize(nullptr))) return 2;
  int status = 0;
  try {
    TStandInPowerPoint powerPoint(options);
    powerPoint.ShowWindow();
    powerPoint.LoadAddIns();
    for (const TLoadedAddIn& a : powerPoint.AddIns())
      std::wprintf(L"%ls: OnConnection 0x%08lX\n", a.progId.c_str(), static_cast<unsigned long>(a.connectStatus));
    if (picture) {
      auto shape = powerPoint.Slide(1).AddPicture(160, 140, 420, 200, SamplePicture(320, 200));
      powerPoint.SelectShapes({shape});
    }
    powerPoint.PumpMessages(seconds * 1000);
    powerPoint.Quit();
  } catch (...) {
    status = 1;
  }
  OleUninitialize();
  return status;
}
