/* SPDX-License-Identifier: MIT */
// The events waiting for the broker, at most a fixed number: when full, the
// oldest goes, and each gateway's losses are counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>

#include "events.h"

namespace bridge {

class EventQueue {
 public:
  explicit EventQueue(std::size_t capacity) : capacity_(capacity ? capacity : 1) {}
  void Push(Message message);
  bool Empty() const { return messages_.empty(); }
  std::size_t Size() const { return messages_.size(); }
  const Message &Front() const { return messages_.front(); }
  void Pop() { messages_.pop_front(); }
  // Events of the gateway dropped since the start.
  uint64_t Dropped(uint32_t gateway) const;

 private:
  std::size_t capacity_;
  std::deque<Message> messages_;
  std::map<uint32_t, uint64_t> dropped_;
};

}  // namespace bridge
