// Watches this process for message boxes, notes each one's caption and text
// and answers it with OK, so that code showing one can run inside a test.
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

  TMessageBoxRobot();
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
  std::jthread thread_;
};

}  // namespace carvelo::standin
