// SPDX-License-Identifier: MIT
#include "failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> failing{false};
}  // namespace

namespace roviro2_test {

void FailAllocations(bool on) {
  failing = on;
}

}  // namespace roviro2_test

void *operator new(std::size_t size) {
  if (failing) throw std::bad_alloc();
  if (void *block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void *operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void *block) noexcept {
  std::free(block);
}
void operator delete[](void *block) noexcept {
  std::free(block);
}
void operator delete(void *block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void *block, std::size_t) noexcept {
  std::free(block);
}
