/* SPDX-License-Identifier: MIT */
// Reassembly of the byte stream of one gateway connection into frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "link/rcv_queue.h"
#include "registry/gateway_table.h"

namespace roviro2 {

using NoticeSink = std::function<void(const std::string &text)>;

// Appends the bytes of one read to slot.RcvBuf and cuts every complete frame
// into `queue` (time-out, oversize and tiny length rules, gateway byte from
// slot.IPAddr.ID). Notices go to `notice`. nowDays: monotonic time in days.
//
// An incomplete frame older than slot.RcvTimeOut is dropped before the new
// bytes are added. A length field above 8198, or below 5, empties RcvBuf
// with the rest of this read. A length field is read only once both of its
// bytes are there. The buffer is final before any notice is given, so a
// notice handler that runs further reads sees them in stream order.
void ReceiveBytes(TMyTCP2 &slot, const uint8_t *data, std::size_t size, double nowDays,
                  ReceiveQueue &queue, const NoticeSink &notice);

// The same for a read made straight into queue storage, so that its bytes
// are copied once, by the system. The frame waiting in slot.RcvBuf is moved
// to the front of the room first; the read goes behind it; Finish queues
// the whole frames where they are, keeps the rest as RcvBuf and gives the
// notices, by the rules of ReceiveBytes. Nothing else may use the queue
// meanwhile.
class ReadIntoQueue {
 public:
  ReadIntoQueue(TMyTCP2 &slot, ReceiveQueue &queue, double nowDays);
  ~ReadIntoQueue() { Close(); }
  ReadIntoQueue(const ReadIntoQueue &) = delete;
  ReadIntoQueue &operator=(const ReadIntoQueue &) = delete;

  // Where the read puts its bytes, and how many fit.
  uint8_t *Area() const { return room_.bytes + waiting_; }
  std::size_t Room() const { return room_.size - waiting_; }
  // After a read of `got` bytes into Area(); a read of none changes nothing.
  // The room is given back before any notice: a notice handler may end the
  // library and free the queue. Returns whether a notice was given.
  bool Finish(std::size_t got, const NoticeSink &notice);

 private:
  void Close() {
    if (open_) queue_.CloseRead(room_);
    open_ = false;
  }

  TMyTCP2 &slot_;
  ReceiveQueue &queue_;
  double nowDays_;
  ReceiveQueue::ReadRoom room_;
  std::size_t waiting_ = 0;  // bytes of RcvBuf moved to the room's front
  bool timedOut_ = false;
  bool open_ = true;  // the room is not given back yet
};

// Receives `size` bytes as reads straight into queue storage would, each as
// large as the room allows. For tests and the fuzzers, to hold the two ways
// of receiving to the same rules.
void ReceiveBytesInPlace(TMyTCP2 &slot, const uint8_t *data, std::size_t size, double nowDays,
                         ReceiveQueue &queue, const NoticeSink &notice);

}  // namespace roviro2
