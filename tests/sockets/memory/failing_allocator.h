/* SPDX-License-Identifier: MIT */
// The global allocator of this test program, which fails on demand: while
// on, every operator new throws std::bad_alloc.
#pragma once

namespace roviro2_test {

void FailAllocations(bool on);

}  // namespace roviro2_test
