/* SPDX-License-Identifier: MIT */
// LastRcv: the frame most recently fetched by PT_GW_RcvData, read by the
// field functions. Empty until the first fetch; kept across PT_API_Close.
#pragma once

#include <cstdint>
#include <vector>

namespace roviro2 {

extern std::vector<uint8_t> LastRcv;

}  // namespace roviro2
