// SPDX-License-Identifier: MIT
#include "platform/output_buffer.h"

#include <algorithm>

namespace roviro2 {

bool TOutputBuffer::Append(const uint8_t *data, std::size_t size) {
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

void TOutputBuffer::Consume(std::size_t count) {
  head_ += std::min(count, Size());
  if (head_ == bytes_.size()) Clear();
}

void TOutputBuffer::Clear() {
  bytes_.clear();
  head_ = 0;
}

}  // namespace roviro2
