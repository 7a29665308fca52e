/* SPDX-License-Identifier: MIT */
// The link layer's part of the library's state (see lib/library_state.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "link/host_form.h"
#include "link/rcv_queue.h"
#include "link/reception_hold.h"

namespace roviro2 {

struct LinkState {
  // Complete received frames of every gateway, oldest first; made by
  // PT_API_Open, ended by PT_API_Close.
  std::unique_ptr<ReceiveQueue> RcvQueue;
  // The frame most recently fetched by PT_GW_RcvData, read by the field
  // functions. Empty until the first fetch; kept across PT_API_Close.
  std::vector<uint8_t> LastRcv;
  // The host made by the latest PT_API_Open, or null before the first.
  TForm0 *HostForm = nullptr;
  // Every host made since the last close: the earlier ones may still own
  // sockets of a second open without close.
  std::vector<std::unique_ptr<TForm0>> hosts;
  std::size_t receiveLimit = kDefaultReceiveLimit;
  bool anyHeld = false;  // some slot's reads may be held
};

extern LinkState linkState;  // defined in lib/library_state.cpp
inline LinkState &LinkPart() {
  return linkState;
}

}  // namespace roviro2
