// SPDX-License-Identifier: MIT
// The meaning of a function's result, for people (roviro2_result_text).
#pragma once

#include <cstdint>

namespace roviro2 {

// A static text, never null; "ok", "refused" or "failed" where the function
// gives the result no meaning of its own.
const char *ResultText(const char *function, int32_t result);

}  // namespace roviro2
