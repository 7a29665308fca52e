/* SPDX-License-Identifier: MIT */
// Finds the lowest slot of a gateway ID in constant time, for the lookup
// that every call naming a gateway makes.
#pragma once

#include <array>
#include <cstdint>

namespace roviro2 {

struct TMyTCP2;

class GatewayIndex {
 public:
  // The lowest of the first `count` slots of `table` whose ID is id (not 0);
  // -1 when none has it. Rebuilt from the table first when a change was
  // announced, when the count is not the one it was built for, or when the
  // slot it names no longer has the ID. The ID found last is answered
  // without a probe: an application mostly names one gateway call after
  // call. Defined with the table (registry/gateway_table.h).
  inline int32_t Find(uint16_t id, const TMyTCP2 *table, uint16_t count);
  // Whether id (not 0) is the ID found last, so that Find would answer it
  // at once: a check with no call, for the fast path of a fetch.
  inline bool FoundLast(uint16_t id, const TMyTCP2 *table, uint16_t count) const;
  // The ID found last when it is a gateway byte (1 to 255) and no change
  // was announced since; 0 otherwise. One compare for the fast path of a
  // fetch, which relies on the announcements alone.
  uint8_t LastByteId() const { return lastByteId_; }
  // The same without the memory of the last ID found, for a walk over many
  // IDs, where it would miss on every one.
  inline int32_t FindAmongMany(uint16_t id, const TMyTCP2 *table, uint16_t count);
  // The table functions announce every change of an ID or of the count.
  void Invalidate() {
    valid_ = false;
    lastKey_ = kNoKey;
    lastByteId_ = 0;
  }

 private:
  // Twice the most slots, so probes stay short.
  static constexpr std::size_t kBuckets = 512;
  struct Bucket {
    uint16_t id = 0;  // 0: empty
    uint16_t slot = 0;
  };
  static std::size_t Home(uint16_t id) { return (id * 40503u >> 7) & (kBuckets - 1); }
  int32_t Lookup(uint16_t id) const {
    for (std::size_t at = Home(id);; at = (at + 1) & (kBuckets - 1)) {
      const Bucket &bucket = buckets_[at];
      if (bucket.id == id) return bucket.slot;
      if (bucket.id == 0) return -1;
    }
  }
  // The ID and count of the last lookup that found a slot, in one word.
  static uint32_t Key(uint16_t id, uint16_t count) { return uint32_t{count} << 16 | id; }
  // No key: ID 0 is never looked up.
  static constexpr uint32_t kNoKey = 0;
  void Rebuild(const TMyTCP2 *table, uint16_t count);
  // Find for an ID other than the one found last: kept out of line, so that
  // the common case stays short where it is inlined.
  int32_t FindOther(uint16_t id, const TMyTCP2 *table, uint16_t count);
  // FindOther once the index was out of date.
  [[gnu::noinline]] int32_t FindRebuilt(uint16_t id, const TMyTCP2 *table, uint16_t count);
  int32_t Remember(uint16_t id, uint16_t count, int32_t slot) {
    lastKey_ = Key(id, count);
    lastSlot_ = static_cast<uint16_t>(slot);
    lastByteId_ = id <= 0xFF ? static_cast<uint8_t>(id) : 0;
    return slot;
  }

  std::array<Bucket, kBuckets> buckets_{};
  uint32_t lastKey_ = kNoKey;
  uint16_t lastSlot_ = 0;
  uint16_t builtFor_ = 0;
  uint8_t lastByteId_ = 0;
  bool valid_ = false;
};

}  // namespace roviro2
