/* SPDX-License-Identifier: MIT */
// The event source of the Windows sockets: a hidden window of the library's
// thread. Winsock posts each socket's connect, read, write and close
// notifications to it (WSAAsyncSelect), and the loop's posted events wake it
// with a message of their own. Whoever dispatches the thread's messages runs
// them: PT_GW_Status, the application's own message loop, or a message box.
#pragma once

#include <cstddef>
#include <unordered_map>

#include "platform/event_loop.h"
#include "platform/event_source.h"
#include "platform/socket_impl.h"
#include "platform/win32/windows.h"

namespace roviro2 {

class TWindowSource final : public TEventSource {
 public:
  explicit TWindowSource(HWND window);
  ~TWindowSource() override;

  // The running loop's source, or null.
  static TWindowSource *Running();

  // Sends the socket's notifications to the window under the tag's name.
  bool Watch(TNativeSocket handle, TEventTag tag);
  // No more notifications of the handle; those still queued are removed.
  void Unwatch(TNativeSocket handle);

  void Wake() override;
  void Quiet() override {}
  int RunReady(TEventLoop &loop) override;
  int Handle() const override { return -1; }

  // Runs one message of the window; how many socket events ran.
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  int OnSocket(TNativeSocket handle, int event, int error);
  int OnClose(TEventLoop &loop, TEventTag tag, int error);

  HWND window_;
  std::unordered_map<TNativeSocket, TEventTag> watched_;
  int ran_ = 0;  // socket events run by the window procedure
};

}  // namespace roviro2
