// SPDX-License-Identifier: MIT
#include "support/notice_collector.h"

namespace roviro2_test {

std::vector<std::string> NoticeCollector::Texts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return texts_;
}

void NoticeCollector::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  texts_.clear();
}

void NoticeCollector::Add(std::string text) {
  std::lock_guard<std::mutex> lock(mutex_);
  texts_.push_back(std::move(text));
}

}  // namespace roviro2_test
