// SPDX-License-Identifier: MIT
#include <cstdio>

#include "platform/notice.h"
#include "platform/win32/windows.h"

namespace roviro2 {

void ShowDefaultNotice(const std::string &text) {
  // Modal on the calling thread; its own message loop keeps dispatching the
  // socket messages while the box is open.
  const int answer = MessageBoxA(nullptr, text.c_str(), "ROVIRO2", MB_OK | MB_TASKMODAL);
  if (answer > 0) return;
  // No box could be shown (a process without a desktop): the text is not
  // lost but written where a console or log would see it.
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace roviro2
