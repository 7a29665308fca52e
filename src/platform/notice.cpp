// SPDX-License-Identifier: MIT
#include "platform/notice.h"

namespace roviro2 {

namespace {

NoticeHandler &InstalledHandler() {
  static NoticeHandler handler;
  return handler;
}

}  // namespace

void ShowNotice(const std::string &text) {
  // A copy: the handler may install another one while it runs.
  const NoticeHandler handler = InstalledHandler();
  if (handler) {
    handler(text);
    return;
  }
  ShowDefaultNotice(text);
}

void SetNoticeHandler(NoticeHandler handler) {
  InstalledHandler() = std::move(handler);
}

}  // namespace roviro2
