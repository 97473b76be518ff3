// Shows the settings dialog or the about window until told to close, for
// screenshots: writes the window's screen rectangle to a file once it is up
// and painted, then waits for a second file to appear.
//   ui_show setup|about <ready file> <done file>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "Robot_win.h"
#include "about.h"
#include "qsetup.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fputs("usage: ui_show setup|about <ready file> <done file>\n", stderr);
    return 2;
  }
  const std::wstring which = argv[1];
  const std::wstring ready = argv[2];
  const std::wstring done = argv[3];
  const wchar_t* caption = which == L"about" ? L"About" : L"Setup";
  try {
    carvelo::TAboutFrm about;
    std::thread robot([&] {
      HWND window = carvelo::robot::WaitForDialog(caption);
      if (!window) return;
      RECT r{};
      GetWindowRect(window, &r);
      if (FILE* f = _wfopen(ready.c_str(), L"w")) {
        std::fprintf(f, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
        std::fclose(f);
      }
      carvelo::robot::WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
      PostMessageW(window, WM_CLOSE, 0, 0);
    });
    if (which == L"about") {
      carvelo::ExecuteAbout(about);
    } else {
      carvelo::TCarveSettings settings;
      carvelo::ExecuteSetup(settings);
    }
    robot.join();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ui_show: %s\n", e.what());
    return 1;
  }
  return 0;
}
