// RcvQueue: complete received frames of every gateway, oldest first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace roviro2 {

class TRcvQueue {
 public:
  // Appends a complete frame; byte 4 already holds its gateway byte.
  void Push(std::vector<uint8_t> frame) { frames_.push_back(std::move(frame)); }
  std::size_t Count() const { return frames_.size(); }

 private:
  std::deque<std::vector<uint8_t>> frames_;
};

// Null before the first PT_API_Open and after PT_API_Close.
extern std::unique_ptr<TRcvQueue> RcvQueue;

}  // namespace roviro2
