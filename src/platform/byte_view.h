// SPDX-License-Identifier: MIT
// A run of bytes that someone else owns: what a send takes (several go out
// as one gather write), what a receive hands out, a queued frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace roviro2 {

struct ByteView {
  const uint8_t *data = nullptr;
  std::size_t size = 0;
};

}  // namespace roviro2
