// SPDX-License-Identifier: MIT
#include "harness/frames.h"

#include <algorithm>
#include <cstring>

namespace bench {

namespace {

constexpr std::size_t kHeader = 8;
constexpr std::size_t kPieceData = kLargestFrame - kHeader;

void WriteLength(uint8_t *frame, std::size_t length) {
  frame[0] = static_cast<uint8_t>(length);
  frame[1] = static_cast<uint8_t>(length >> 8);
}

}  // namespace

Bytes MakeFrame(std::size_t length, uint8_t command, uint8_t node) {
  Bytes frame(std::max(length, kHeader));
  WriteLength(frame.data(), length);
  frame[2] = kPort1;
  frame[6] = command;
  frame[7] = node;
  for (std::size_t i = kHeader; i < frame.size(); ++i)
    frame[i] = static_cast<uint8_t>('0' + i % 10);
  return frame;
}

Bytes RepeatedFrames(std::size_t length, std::size_t bytes) {
  const Bytes frame = MakeFrame(length);
  Bytes stream;
  stream.reserve(bytes + length);
  while (stream.size() < bytes)
    stream.insert(stream.end(), frame.begin(), frame.end());
  return stream;
}

std::vector<Bytes> Pieces(const Bytes &frame) {
  std::vector<Bytes> pieces;
  for (std::size_t start = kHeader; start < frame.size(); start += kPieceData) {
    const std::size_t count = std::min(kPieceData, frame.size() - start);
    Bytes piece(frame.begin(), frame.begin() + kHeader);
    WriteLength(piece.data(), kHeader + count);
    piece.insert(piece.end(), frame.begin() + static_cast<std::ptrdiff_t>(start),
                 frame.begin() + static_cast<std::ptrdiff_t>(start + count));
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

std::size_t FrameCutter::Next(uint8_t *out) {
  const std::size_t held = end_ - begin_;
  if (held >= 2) {
    std::size_t length = buffer_[begin_] | (buffer_[begin_ + 1] << 8);
    if (length < 2 || length > buffer_.size()) length = 2;
    if (held >= length) {
      std::memcpy(out, buffer_.data() + begin_, length);
      begin_ += length;
      return length;
    }
  }
  std::memmove(buffer_.data(), buffer_.data() + begin_, held);
  begin_ = 0;
  end_ = held;
  return 0;
}

}  // namespace bench
