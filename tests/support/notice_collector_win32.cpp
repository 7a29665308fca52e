// SPDX-License-Identifier: MIT
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "support/notice_collector.h"

namespace roviro2_test {

namespace {

constexpr char kDialogClass[] = "#32770";

std::string ClassOf(HWND window) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The message of a box: the text of its static control that has one (the
// icon's static has none).
BOOL CALLBACK FindMessageText(HWND child, LPARAM found) {
  char text[512] = {};
  if (_stricmp(ClassOf(child).c_str(), "Static") == 0 &&
      GetWindowTextA(child, text, sizeof text) > 0) {
    *reinterpret_cast<std::string *>(found) = text;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// A thread that looks for message boxes of the collecting thread every
// millisecond, reads their text and answers OK.
struct NoticeCollector::Platform {
  explicit Platform(NoticeCollector &owner)
      : owner(owner), boxThread(GetCurrentThreadId()), watcher([this] { Watch(); }) {}
  ~Platform() {
    stopping = true;
    watcher.join();
  }

  void Watch() {
    while (!stopping) {
      EnumThreadWindows(boxThread, &Platform::Visit, reinterpret_cast<LPARAM>(this));
      for (auto it = answered.begin(); it != answered.end();)
        it = IsWindow(*it) ? std::next(it) : answered.erase(it);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    auto &platform = *reinterpret_cast<Platform *>(self);
    if (ClassOf(window) != kDialogClass || platform.answered.count(window)) return TRUE;
    // A box is read once it is shown: until then its text may not be set.
    std::string text;
    if (!IsWindowVisible(window)) return TRUE;
    EnumChildWindows(window, &FindMessageText, reinterpret_cast<LPARAM>(&text));
    if (text.empty()) return TRUE;
    platform.owner.Add(text);
    platform.answered.insert(window);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
  }

  NoticeCollector &owner;
  DWORD boxThread;
  std::set<HWND> answered;
  std::atomic<bool> stopping{false};
  std::thread watcher;
};

NoticeCollector::NoticeCollector() : platform_(std::make_unique<Platform>(*this)) {}

NoticeCollector::~NoticeCollector() = default;

}  // namespace roviro2_test
