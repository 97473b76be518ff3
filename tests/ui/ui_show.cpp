// Shows the settings dialog, the about window or the progress window of a
// long carve (held at 45 %) until told to close, for screenshots: writes the
// window's screen rectangle to a file once it is up and painted, then waits
// for a second file to appear.
//   ui_show setup|about|progress <ready file> <done file>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "Robot_win.h"
#include "WaitFrm_win.h"
#include "about.h"
#include "qsetup.h"

namespace {

// The progress window over a carve of a 600 x 400 picture to 400 x 400,
// held when 45 % of the seams are done.
void ShowProgress(const std::atomic<bool>& done, std::atomic<bool>& held) {
  carvelo::TBitmap working(600, 400), target(400, 400);
  for (int32_t y = 0; y < 400; ++y)
    for (int32_t x = 0; x < 600; ++x)
      carvelo::PutPixelRGB(working, x, y, {uint8_t(x * 7 + y), uint8_t(y * 3), uint8_t(x ^ y)});
  carvelo::TCarveJob job;
  job.WorkWidth = 600, job.WorkHeight = 400, job.TargetWidth = 400, job.TargetHeight = 400;
  job.Working = &working, job.Target = &target;
  carvelo::ExecuteWaitingJob(job, [&](int32_t seams, int32_t planned) {
    if (seams != planned * 45 / 100) return;
    held = true;
    carvelo::robot::WaitUntil([&] { return done.load(); });
  });
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fputs("usage: ui_show setup|about|progress <ready file> <done file>\n", stderr);
    return 2;
  }
  const std::wstring which = argv[1];
  const std::wstring ready = argv[2];
  const std::wstring done = argv[3];
  const wchar_t* caption = which == L"about"      ? L"About"
                          : which == L"progress" ? L"Carvelo - Processing"
                                                 : L"Setup";
  std::atomic<bool> held{which != L"progress"}, finished{false};
  try {
    carvelo::TAboutFrm about;
    std::thread robot([&] {
      HWND window = carvelo::robot::WaitForDialog(caption);
      if (!window) return;
      // The progress bar shows the seams done once the worker is held.
      carvelo::robot::WaitUntil([&] {
        HWND bar = FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr);
        return held && (!bar || SendMessageW(bar, PBM_GETPOS, 0, 0) >= 440);
      });
      RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      RECT r{};
      GetWindowRect(window, &r);
      if (FILE* f = _wfopen(ready.c_str(), L"w")) {
        std::fprintf(f, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
        std::fclose(f);
      }
      carvelo::robot::WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
      finished = true;
      PostMessageW(window, WM_CLOSE, 0, 0);
    });
    if (which == L"about") {
      carvelo::ExecuteAbout(about);
    } else if (which == L"progress") {
      ShowProgress(finished, held);
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
