// SPDX-License-Identifier: MIT
#include "event_queue.h"

#include <utility>

namespace bridge {

void EventQueue::Push(Message message) {
  if (messages_.size() == capacity_) {
    ++dropped_[messages_.front().gateway];
    messages_.pop_front();
  }
  messages_.push_back(std::move(message));
}

uint64_t EventQueue::Dropped(uint32_t gateway) const {
  const auto it = dropped_.find(gateway);
  return it == dropped_.end() ? 0 : it->second;
}

}  // namespace bridge
