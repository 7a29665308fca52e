// SPDX-License-Identifier: MIT
// The extension that says what a result means (roviro2_ext.h), exported by
// the POSIX library.
#include "lib/result_texts.h"
#include "roviro2_ext.h"

extern "C" ROVIRO2_API const char *roviro2_result_text(const char *function, int32_t result) {
  return roviro2::ResultText(function, result);
}
