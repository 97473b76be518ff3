// Watches this process for windows that pop up (message boxes, dialogs),
// notes each one's caption and text, and answers it: a message box with OK,
// any other window by closing it, so that code showing one can run inside
// a test. The stand-in's own window is left alone.
#pragma once

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace carvelo::standin {

class TMessageBoxRobot {
 public:
  struct TSeen {
    std::wstring caption, text;
  };

  // Windows captioned as one of `leaveAlone` (e.g. a progress window that
  // closes by itself) are neither noted nor answered.
  explicit TMessageBoxRobot(std::vector<std::wstring> leaveAlone = {});
  ~TMessageBoxRobot();
  TMessageBoxRobot(const TMessageBoxRobot&) = delete;
  TMessageBoxRobot& operator=(const TMessageBoxRobot&) = delete;

  std::vector<TSeen> Seen() const;

 private:
  void Watch(std::stop_token stop);
  void AnswerVisibleBoxes();
  mutable std::mutex mutex_;
  std::vector<TSeen> seen_;
  std::set<HWND> answered_;
  const std::vector<std::wstring> leaveAlone_;
  std::jthread thread_;
};

}  // namespace carvelo::standin
