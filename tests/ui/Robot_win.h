// Drives the real windows from a second thread, the way a person would:
// find the window once it is visible, read and set controls, click, press
// keys. Every wait polls with a deadline, so a missing window fails the test
// instead of hanging it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace carvelo::robot {

inline constexpr auto Patience = std::chrono::seconds(20);
inline constexpr auto PollInterval = std::chrono::milliseconds(25);

// Polls `ready` until it holds or the deadline passes.
inline bool WaitUntil(const std::function<bool()>& ready) {
  const auto deadline = std::chrono::steady_clock::now() + Patience;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(PollInterval);
  }
  return true;
}

// A visible top-level dialog with this caption, painted.
inline HWND WaitForDialog(const wchar_t* caption) {
  HWND found = nullptr;
  WaitUntil([&] {
    found = FindWindowW(L"#32770", caption);
    return found && IsWindowVisible(found);
  });
  if (!found || !IsWindowVisible(found)) return nullptr;
  // Have it painted before anyone looks at it.
  RedrawWindow(found, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return found;
}

inline std::wstring Text(HWND h) {
  wchar_t buffer[512] = {};
  GetWindowTextW(h, buffer, 512);
  return buffer;
}

// A child by window class and, when given, its text.
inline HWND Child(HWND parent, const wchar_t* windowClass, const wchar_t* text = nullptr) {
  return FindWindowExW(parent, nullptr, windowClass, text);
}

// The n-th child (0-based) of a window class, in tab order.
inline HWND NthChild(HWND parent, const wchar_t* windowClass, int n) {
  HWND h = nullptr;
  for (int i = 0; i <= n; ++i) h = FindWindowExW(parent, h, windowClass, nullptr);
  return h;
}

// A child's rectangle in its parent's client coordinates.
inline RECT ClientRectOf(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

inline HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

// A press and release of a key at the control that has the keyboard focus,
// through the window's message loop (so Esc, Enter and Tab reach the dialog
// manager). Posted: the caller can't wait for it to be handled.
inline void PressKey(HWND window, WPARAM key) {
  HWND target = FocusOf(window);
  if (!target) target = window;
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

// A key press handled by one control (a slider, a list), done when this
// returns.
inline void PressKeyAt(HWND control, WPARAM key) {
  SendMessageW(control, WM_KEYDOWN, key, 1);
  SendMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

// A click on a button, done (with its notification) when this returns.
inline void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

// A left click at a point of a window's client area. Posted, so it is handled
// in order with other posted input.
inline void ClickAt(HWND window, int x, int y) {
  PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Runs `ui` (which shows a modal window) on this thread while `script` drives
// the window `caption` from a robot thread. If the script leaves the window
// open, the robot closes it so that the test ends, and the test fails.
inline void WithRobot(const wchar_t* caption, const std::function<void(HWND)>& script,
                      const std::function<void()>& ui) {
  const DWORD uiThread = GetCurrentThreadId();
  std::thread robot([&] {
    HWND window = WaitForDialog(caption);
    if (!window) {
      ADD_FAILURE() << "no visible window \"" << std::string(caption, caption + wcslen(caption)) << "\"";
      PostThreadMessageW(uiThread, WM_QUIT, 0, 0);  // ends a modal loop that shows nothing
      return;
    }
    script(window);
    if (!WaitUntil([&] { return !IsWindowVisible(window); })) {
      ADD_FAILURE() << "the robot's script left the window open";
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  });
  ui();
  robot.join();
}

}  // namespace carvelo::robot
