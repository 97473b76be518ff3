#include "MessageBoxRobot.h"

namespace carvelo::standin {

namespace {
std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

struct TFound {
  DWORD process;
  std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<TFound*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (process == found->process && IsWindowVisible(window) &&
      std::wstring(className) != L"CarveloStandInPowerPoint")
    found->boxes.push_back(window);
  return TRUE;
}
}  // namespace

TMessageBoxRobot::TMessageBoxRobot(std::vector<std::wstring> leaveAlone)
    : leaveAlone_(std::move(leaveAlone)), thread_([this](std::stop_token stop) { Watch(stop); }) {}

TMessageBoxRobot::~TMessageBoxRobot() {
  thread_.request_stop();
  if (thread_.joinable()) thread_.join();
}

std::vector<TMessageBoxRobot::TSeen> TMessageBoxRobot::Seen() const {
  std::lock_guard lock(mutex_);
  return seen_;
}

void TMessageBoxRobot::Watch(std::stop_token stop) {
  try {
    while (!stop.stop_requested()) {
      AnswerVisibleBoxes();
      Sleep(20);
    }
  } catch (...) {
    // A thread entry lets nothing escape.
  }
}

void TMessageBoxRobot::AnswerVisibleBoxes() {
  TFound found{GetCurrentProcessId(), {}};
  EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&found));
  for (HWND box : found.boxes) {
    // The text is the static control with id 0xFFFF. A window that closed
    // meanwhile (its texts read as empty) is no longer there to answer.
    TSeen seen{TextOf(box), TextOf(GetDlgItem(box, 0xFFFF))};
    if (!IsWindow(box) || std::ranges::find(leaveAlone_, seen.caption) != leaveAlone_.end()) continue;
    {
      std::lock_guard lock(mutex_);
      if (!answered_.insert(box).second) continue;
      seen_.push_back(std::move(seen));
    }
    wchar_t className[32] = {};
    GetClassNameW(box, className, 32);
    if (std::wstring(className) == L"#32770" && GetDlgItem(box, IDOK))
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    else
      PostMessageW(box, WM_CLOSE, 0, 0);
  }
  // Forget boxes that are gone: their handles may be reused.
  std::lock_guard lock(mutex_);
  std::erase_if(answered_, [](HWND w) { return !IsWindow(w); });
}

}  // namespace carvelo::standin
