// Watches this process for windows that pop up (message boxes, dialogs),
// notes each one's caption and text, and answers it: a message box with OK,
// any other window by closing it, so that code showing one can run inside
// a test. The stand-in's own window is left alone; so are all windows but
// message boxes when only those are to be answered (a scripted run lets a
// progress window finish its work).
#pragma once

#include <windows.h>

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

  enum class TAnswers { EveryWindow, MessageBoxesOnly };
  explicit TMessageBoxRobot(TAnswers answers = TAnswers::EveryWindow);
  ~TMessageBoxRobot();
  TMessageBoxRobot(const TMessageBoxRobot&) = delete;
  TMessageBoxRobot& operator=(const TMessageBoxRobot&) = delete;

  std::vector<TSeen> Seen() const;

 private:
  void Watch(std::stop_token stop);
  void AnswerVisibleBoxes();
  const TAnswers answers_;
  mutable std::mutex mutex_;
  std::vector<TSeen> seen_;
  std::set<HWND> answered_;
  std::jthread thread_;
};

}  // namespace carvelo::standin
