// SPDX-License-Identifier: MIT
#include "roviro2_ext.h"
#include "support/notice_collector.h"

namespace roviro2_test {

struct NoticeCollector::Platform {
  static void Collect(const char *text, void *ctx) {
    static_cast<NoticeCollector *>(ctx)->Add(text);
  }
};

NoticeCollector::NoticeCollector() {
  roviro2_set_notice_handler(&Platform::Collect, this);
}

NoticeCollector::~NoticeCollector() {
  roviro2_set_notice_handler(nullptr, nullptr);
}

}  // namespace roviro2_test
