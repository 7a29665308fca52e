/* SPDX-License-Identifier: MIT */
// A system socket handle: a descriptor on Linux, a SOCKET on Windows.
#pragma once

#include <cstdint>

namespace roviro2 {

using NativeSocket = std::intptr_t;
constexpr NativeSocket kNoSocket = -1;

}  // namespace roviro2
