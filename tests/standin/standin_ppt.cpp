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
      TPixels pixels{320, 200, std::vector<uint32_t>(320 * 200, 0x4080C0)};
      auto shape = powerPoint.Slide(1).AddPicture(200, 150, 320, 200, std::move(pixels));
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
