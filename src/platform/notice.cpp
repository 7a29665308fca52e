// SPDX-License-Identifier: MIT
#include "platform/notice.h"

#include "platform/platform_state.h"

namespace roviro2 {

void ShowNotice(const std::string &text) {
  // A copy: the handler may install another one while it runs.
  const NoticeHandler handler = PlatformPart().noticeHandler;
  if (handler) {
    handler(text);
    return;
  }
  ShowDefaultNotice(text);
}

void SetNoticeHandler(NoticeHandler handler) {
  PlatformPart().noticeHandler = std::move(handler);
}

}  // namespace roviro2
