/* SPDX-License-Identifier: MIT */
// The boundary of the exports: the library runs inside someone else's
// process, so no C++ exception may leave it. Every export runs its body
// through Guarded, which answers the export's own failure result instead.
#pragma once

#include <cstdint>

namespace roviro2 {

template <typename Body>
int32_t Guarded(int32_t failure, Body &&body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

}  // namespace roviro2
