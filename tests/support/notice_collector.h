/* SPDX-License-Identifier: MIT */
// Collects the library's notices while it lives, in order: through the notice
// handler extension on POSIX, and on Windows by answering each message box of
// the library (OK) from a thread of its own after reading its text.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace roviro2_test {

class NoticeCollector {
 public:
  NoticeCollector();
  ~NoticeCollector();
  NoticeCollector(const NoticeCollector &) = delete;
  NoticeCollector &operator=(const NoticeCollector &) = delete;

  std::vector<std::string> Texts() const;
  void Clear();
  void Add(std::string text);

 private:
  struct Platform;

  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
  std::unique_ptr<Platform> platform_;
};

}  // namespace roviro2_test
