// SPDX-License-Identifier: MIT
#include "commands/caller_bytes.h"

#include "link/frame.h"

namespace roviro2 {

CallerBytes ResolveCallerBytes(const void *pointer, int32_t lengthArg, NegativeCount negative) {
  CallerBytes run;
  run.bytes = static_cast<const uint8_t *>(pointer);
  const int16_t count = static_cast<int16_t>(lengthArg);
  if (count >= 0) {
    run.count = static_cast<std::size_t>(count);
    run.refused = count > 0 && pointer == nullptr;
    return run;
  }
  switch (negative) {
    case NegativeCount::kRefused:
      run.refused = true;
      break;
    case NegativeCount::kTextLength:
      // One byte more than any frame can carry is enough to have it refused.
      run.count = TextLength(static_cast<const char *>(pointer), kMaxCommandData + 1);
      break;
    case NegativeCount::kNone:
      break;
  }
  return run;
}

std::size_t TextLength(const char *text, std::size_t limit) {
  std::size_t length = 0;
  if (!text) return 0;
  while (length < limit && text[length] != '\0')
    ++length;
  return length;
}

}  // namespace roviro2
