/* SPDX-License-Identifier: MIT */
// Frames and byte streams for the benchmarks, and the plain cutter that the
// reference loops use in place of the library's reassembly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

using Bytes = std::vector<uint8_t>;

constexpr std::size_t kSmallFrame = 15;      // a light bar display frame
constexpr std::size_t kLargestFrame = 8198;  // largest frame or piece on the wire
constexpr uint8_t kPort1 = 0x60;
constexpr uint8_t kAnswerCommand = 0x28;  // a reply without status byte

// A frame of `length` bytes (at least 8): length field, port 1, the
// command and node, then a counting pattern as data.
Bytes MakeFrame(std::size_t length, uint8_t command = 0, uint8_t node = 5);

// Whole frames of `length` bytes back to back, at least `bytes` of them.
Bytes RepeatedFrames(std::size_t length, std::size_t bytes);

// The wire pieces of a frame of 8198 bytes or more: each the frame's header
// with its own length field, then at most 8190 data bytes.
std::vector<Bytes> Pieces(const Bytes &frame);

// Cuts a received byte stream into frames by their length fields, the way a
// plain application loop would: the bytes of each read are appended to one
// buffer, every complete frame is copied out, the rest moves to the front.
class FrameCutter {
 public:
  explicit FrameCutter(std::size_t capacity) : buffer_(capacity) {}

  // Room for the next read, and its size once read.
  uint8_t *Space() { return buffer_.data() + end_; }
  std::size_t SpaceSize() const { return buffer_.size() - end_; }
  void Filled(std::size_t count) { end_ += count; }

  // Copies the next complete frame to `out`, returns its size; 0 when the
  // buffer holds no complete frame (the partial one moves to the front).
  // A length field below 2 or above the capacity is taken as 2 bytes, so a
  // damaged stream cannot stall the cutter.
  std::size_t Next(uint8_t *out);

 private:
  Bytes buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace bench
