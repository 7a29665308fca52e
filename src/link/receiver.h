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

}  // namespace roviro2
