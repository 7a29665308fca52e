// SPDX-License-Identifier: MIT
#include "registry/gateway_index.h"

#include "registry/gateway_table.h"

namespace roviro2 {

// Slots are entered lowest first, and an ID already entered keeps its
// slot, so each ID names its lowest slot. At most 256 IDs in 512 buckets:
// a probe always ends at an empty one.
void GatewayIndex::Rebuild(const TMyTCP2 *table, uint16_t count) {
  buckets_.fill(Bucket{});
  for (uint16_t slot = 0; slot < count && slot < kMaxGateways; ++slot) {
    const uint16_t id = table[slot].IPAddr.ID;
    if (id == 0) continue;
    std::size_t at = Home(id);
    while (buckets_[at].id != 0 && buckets_[at].id != id)
      at = (at + 1) & (kBuckets - 1);
    if (buckets_[at].id == 0) buckets_[at] = Bucket{id, slot};
  }
  builtFor_ = count;
  valid_ = true;
}

// The common case makes no call, so that it saves no registers.
int32_t GatewayIndex::FindOther(uint16_t id, const TMyTCP2 *table, uint16_t count) {
  if (!valid_ || builtFor_ != count) return FindRebuilt(id, table, count);
  const int32_t slot = Lookup(id);
  if (slot < 0) return -1;
  // A slot changed without being announced.
  if (table[slot].IPAddr.ID != id) return FindRebuilt(id, table, count);
  return Remember(id, count, slot);
}

int32_t GatewayIndex::FindRebuilt(uint16_t id, const TMyTCP2 *table, uint16_t count) {
  Rebuild(table, count);
  const int32_t slot = Lookup(id);
  return slot < 0 ? -1 : Remember(id, count, slot);
}

}  // namespace roviro2
