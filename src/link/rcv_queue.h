// RcvQueue: complete received frames of every gateway, oldest first.
//
// Each frame is kept in two orders at once: the order of all frames, and the
// order of the frames with the same gateway byte (byte 4). Taking the oldest
// frame of one gateway therefore costs nothing for the frames of others that
// wait before it. Removal works at any position in O(1).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "link/frame.h"
#include "link/frame_arena.h"

namespace roviro2 {

// The bytes of one queued frame; valid until that frame is removed.
struct FrameView {
  const uint8_t *data = nullptr;
  std::size_t size = 0;
};

class TRcvQueue {
 public:
  using EntryId = uint32_t;
  static constexpr EntryId kNoEntry = UINT32_MAX;
  // Gateway argument of First and Next that selects the order of all frames.
  static constexpr int kAnyGateway = -1;
  // Every queued frame holds its gateway byte.
  static constexpr std::size_t kMinFrame = 5;

  // Appends a complete frame as it is; byte 4 already holds its gateway
  // byte. Frames shorter than 5 or longer than 8198 bytes are refused
  // (false) and nothing is queued.
  bool Push(std::vector<uint8_t> frame) { return Push(frame.data(), frame.size()); }
  bool Push(const uint8_t *frame, std::size_t size);
  // Appends a copy of the frame whose byte 4 is set to gatewayByte.
  bool PushMarked(const uint8_t *frame, std::size_t size, uint8_t gatewayByte);

  std::size_t Count() const { return count_; }
  // The oldest frame of all (kAnyGateway) or of one gateway byte (0 to 255);
  // kNoEntry when there is none or the gateway is out of range.
  EntryId First(int gateway = kAnyGateway) const;
  // The frame after id in the same order as First's.
  EntryId Next(EntryId id, int gateway = kAnyGateway) const;
  // Empty view for an id that holds no frame.
  FrameView View(EntryId id) const;
  // Removes one frame; an id that holds no frame is ignored.
  void Remove(EntryId id);

 private:
  struct Links {
    EntryId prev = kNoEntry;
    EntryId next = kNoEntry;
  };
  struct Ends {
    EntryId head = kNoEntry;
    EntryId tail = kNoEntry;
  };
  // One record per frame; a free record has size 0 and chains the free
  // records through all.next.
  struct Entry {
    Links all;
    Links sameGateway;
    FrameRef ref;
    uint16_t size = 0;
    uint8_t gateway = 0;
  };
  using Order = Links Entry::*;
  static constexpr std::size_t kGatewayBytes = 256;

  bool Holds(EntryId id) const { return id < entries_.size() && entries_[id].size != 0; }
  EntryId NewEntry();
  void LinkBack(Ends &ends, Order order, EntryId id);
  void Unlink(Ends &ends, Order order, EntryId id);
  static bool Queueable(const uint8_t *frame, std::size_t size) {
    return frame && size >= kMinFrame && size <= kMaxWireFrame;
  }
  bool Append(const uint8_t *frame, std::size_t size, uint8_t gateway);

  // Records are reached by index only, so growing may move them.
  std::vector<Entry> entries_;
  EntryId free_ = kNoEntry;
  Ends all_;
  std::array<Ends, kGatewayBytes> gateways_;
  std::size_t count_ = 0;
  TFrameArena arena_;
};

// Null before the first PT_API_Open and after PT_API_Close.
extern std::unique_ptr<TRcvQueue> RcvQueue;

}  // namespace roviro2
