// SPDX-License-Identifier: MIT
#include "platform/output_buffer.h"

#include <algorithm>

namespace roviro2 {

namespace {

constexpr std::size_t kLengthField = 2;

}  // namespace

bool OutputBuffer::Append(const uint8_t *data, std::size_t size) {
  if (size > Room()) return false;
  // Move the unwritten bytes to the front before growing, so the storage
  // never exceeds the capacity and appending stays linear.
  if (head_ > 0 && bytes_.size() + size > capacity_) {
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
  }
  if (bytes_.capacity() < capacity_) bytes_.reserve(capacity_);
  bytes_.insert(bytes_.end(), data, data + size);
  return true;
}

void OutputBuffer::Consume(std::size_t count) {
  count = std::min(count, Size());
  // Walk the length fields of the frames the head passes.
  std::size_t rest = startedRest_;
  std::size_t left = count;
  while (left > rest) {
    left -= rest;
    rest = FrameSizeAt(head_ + count - left);
  }
  startedRest_ = rest - left;
  head_ += count;
  if (head_ == bytes_.size()) Clear();
}

std::size_t OutputBuffer::FrameSizeAt(std::size_t at) const {
  if (bytes_.size() - at < kLengthField) return bytes_.size() - at;
  const std::size_t length = bytes_[at] | (bytes_[at + 1] << 8);
  return std::max(length, kLengthField);
}

std::size_t OutputBuffer::HeadFrameSize() const {
  if (Empty()) return 0;
  return std::min(HeadStarted() ? startedRest_ : FrameSizeAt(head_), Size());
}

std::size_t OutputBuffer::FramesWithin(std::size_t bytes) const {
  if (HeadStarted()) return 0;
  std::size_t at = head_;
  while (at < bytes_.size() && at - head_ + FrameSizeAt(at) <= bytes)
    at += FrameSizeAt(at);
  return std::min(at - head_, Size());
}

std::size_t OutputBuffer::FrameCount() const {
  std::size_t count = 0;
  for (std::size_t at = head_ + startedRest_; at < bytes_.size(); at += FrameSizeAt(at))
    ++count;
  return count + (HeadStarted() && !Empty() ? 1 : 0);
}

void OutputBuffer::Clear() {
  bytes_.clear();
  head_ = 0;
  startedRest_ = 0;
}

}  // namespace roviro2
