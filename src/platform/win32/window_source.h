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
#include "platform/native_socket.h"
#include "platform/win32/windows.h"

namespace roviro2 {

class WindowSource final : public EventSource {
 public:
  explicit WindowSource(HWND window);
  ~WindowSource() override;

  void Wake() override;
  void Quiet() override {}
  int RunReady(EventLoop &loop) override;
  int Handle() const override { return -1; }

  // Sends the socket's notifications to the window under the tag's name.
  bool WatchConnect(NativeSocket handle, EventTag tag) override;
  // Winsock reports reads, room to write and the close by itself; held
  // reads are not read, and resuming posts a read event of its own.
  void WatchConnected(NativeSocket, EventTag, bool, bool) override {}
  // No more notifications of the handle; those still queued are removed.
  void Unwatch(NativeSocket handle) override;

  // Runs one message of the window; how many socket events ran.
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  int OnSocket(NativeSocket handle, int event, int error);
  int OnClose(EventLoop &loop, EventTag tag, int error);

  HWND window_;
  std::unordered_map<NativeSocket, EventTag> watched_;
  int ran_ = 0;  // socket events run by the window procedure
};

}  // namespace roviro2
