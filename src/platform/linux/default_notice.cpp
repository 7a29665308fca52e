// SPDX-License-Identifier: MIT
#include <cstdio>

#include "platform/notice.h"

namespace roviro2 {

void ShowDefaultNotice(const std::string &text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace roviro2
