/* SPDX-License-Identifier: MIT */
// Bytes that a caller hands over as a pointer and a count, and texts read up
// to their zero byte. Every command function reads caller memory through
// these, so none reads through a null pointer or past the count.
#pragma once

#include <cstddef>
#include <cstdint>

namespace roviro2 {

// How a count argument whose low 16 bits read as a negative number is taken.
enum class NegativeCount {
  kRefused,     // it has no meaning: the call is refused
  kTextLength,  // the bytes before the text's zero byte
  kNone,        // no bytes
};

struct CallerBytes {
  const uint8_t *bytes = nullptr;
  std::size_t count = 0;
  bool refused = false;  // negative count under kRefused, or a null pointer with a count
};

// Reads the low 16 bits of lengthArg as a signed count of bytes at pointer.
// A null pointer is an empty text where the count comes from the text.
CallerBytes ResolveCallerBytes(const void *pointer, int32_t lengthArg, NegativeCount negative);

// Number of bytes before the zero byte of text, but at most limit; 0 for a
// null text. Never reads more than limit bytes.
std::size_t TextLength(const char *text, std::size_t limit);

}  // namespace roviro2
