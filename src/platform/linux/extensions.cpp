// SPDX-License-Identifier: MIT
// The POSIX extensions: notice handler, dispatch, waiting, the event
// descriptor and the version.
#include <string>

#include "platform/boundary.h"
#include "platform/event_loop.h"
#include "platform/linux/epoll_source.h"
#include "platform/notice.h"
#include "platform/socket_events.h"
#include "roviro2_ext.h"

using namespace roviro2;

extern "C" {

ROVIRO2_API void roviro2_set_notice_handler(roviro2_notice_fn fn, void *ctx) {
  Guarded(0, [&] {
    if (!fn) {
      SetNoticeHandler({});
    } else {
      SetNoticeHandler([fn, ctx](const std::string &text) { fn(text.c_str(), ctx); });
    }
    return 0;
  });
}

ROVIRO2_API int roviro2_dispatch(void) {
  return Guarded(0, [] { return DispatchSocketEvents(); });
}

ROVIRO2_API int roviro2_wait(int timeout_ms) {
  return Guarded(0, [&] {
    EventLoop *loop = EventLoop::Instance();
    if (!loop) return 0;
    // Posted events are pending already: they run, and nothing waits.
    const LoopAlive alive;
    const int posted = loop->RunPosted();
    if (!alive) return posted;
    auto &source = static_cast<EpollSource &>(loop->Source());
    return posted + source.RunReady(*loop, posted > 0 ? 0 : timeout_ms);
  });
}

ROVIRO2_API int roviro2_event_fd(void) {
  return SocketEventHandle();
}

ROVIRO2_API const char *roviro2_version(void) {
  return ROVIRO2_VERSION_STRING;
}

}  // extern "C"
