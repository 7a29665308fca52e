// SPDX-License-Identifier: MIT
#include "platform/win32/window_source.h"

#include <vector>

namespace roviro2 {

namespace {

constexpr UINT kSocketMessage = WM_APP + 1;  // from Winsock: wParam socket, lParam event
constexpr UINT kWakeMessage = WM_APP + 2;    // posted events wait
constexpr char kClassName[] = "roviro2.TForm0";
constexpr long kAllEvents = FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE;
// Reads at most run for the bytes a closed connection still holds.
constexpr int kReadsAtClose = 1024;

LRESULT CALLBACK SourceProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kSocketMessage || message == kWakeMessage) {
    auto *source = reinterpret_cast<WindowSource *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (source) source->OnMessage(message, wParam, lParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&SourceProcedure), &module);
  return module;
}

// The host window as the form describes it, never shown. Where the system
// has no display for top-level windows, a message-only window serves.
HWND CreateHostWindow(HINSTANCE module) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = SourceProcedure;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);  // may be there from an earlier open
  HWND window = CreateWindowExA(0, kClassName, "ROVIRO2", WS_OVERLAPPEDWINDOW, 163, 113, 427, 370,
                                nullptr, nullptr, module, nullptr);
  if (!window) {
    window = CreateWindowExA(0, kClassName, "ROVIRO2", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module,
                             nullptr);
  }
  return window;
}

}  // namespace

std::unique_ptr<EventSource> EventSource::Create() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return nullptr;
  HWND window = CreateHostWindow(ThisModule());
  if (!window) {
    WSACleanup();
    return nullptr;
  }
  return std::make_unique<WindowSource>(window);
}

WindowSource::WindowSource(HWND window) : window_(window) {
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WindowSource::~WindowSource() {
  SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  UnregisterClassA(kClassName, ThisModule());
  WSACleanup();
}

bool WindowSource::WatchConnect(NativeSocket handle, EventTag tag) {
  if (WSAAsyncSelect(static_cast<SOCKET>(handle), window_, kSocketMessage, kAllEvents) != 0)
    return false;
  watched_[handle] = tag;
  return true;
}

void WindowSource::Unwatch(NativeSocket handle) {
  WSAAsyncSelect(static_cast<SOCKET>(handle), window_, 0, 0);
  watched_.erase(handle);
  // A later socket may get the same handle: what the queue still holds for
  // this one must not reach it. The other sockets' messages go back in order.
  std::vector<MSG> others;
  MSG message;
  while (PeekMessageA(&message, window_, kSocketMessage, kSocketMessage, PM_REMOVE)) {
    if (static_cast<NativeSocket>(message.wParam) != handle) others.push_back(message);
  }
  for (const MSG &kept : others)
    PostMessageA(window_, kept.message, kept.wParam, kept.lParam);
}

void WindowSource::Wake() {
  PostMessageA(window_, kWakeMessage, 0, 0);
}

int WindowSource::RunReady(EventLoop &loop) {
  // Every message the thread has queued, as a message loop would run it, up
  // to a bound: a connection that keeps receiving cannot hold the caller.
  std::size_t budget = 4 * loop.SocketCount() + 64;
  const LoopAlive alive;
  int ran = 0;
  MSG message;
  while (budget-- > 0 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // the application's loop ends on it
      break;
    }
    if (message.hwnd == window_) {
      ran += OnMessage(message.message, message.wParam, message.lParam);
    } else {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (!alive) break;  // closed by a handler: this source is gone
  }
  return ran;
}

int WindowSource::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kWakeMessage) {
    EventLoop *loop = EventLoop::Instance();
    return loop ? loop->RunPosted() : 0;
  }
  return OnSocket(static_cast<NativeSocket>(wParam), WSAGETSELECTEVENT(lParam),
                  WSAGETSELECTERROR(lParam));
}

int WindowSource::OnSocket(NativeSocket handle, int event, int error) {
  const auto found = watched_.find(handle);
  EventLoop *loop = EventLoop::Instance();
  if (found == watched_.end() || !loop) return 0;
  const EventTag tag = found->second;
  TClientSocket *socket = loop->Find(tag);
  if (!socket) return 0;
  if (event == FD_CONNECT) {
    if (!socket->Connecting()) return 0;
    socket->OnConnectResult(error);
    return 1;
  }
  if (!socket->Active()) return 0;
  switch (event) {
    case FD_READ:
      // A notification with an error raises the error event in its place.
      if (error != 0) {
        socket->OnReadError(error);
      } else {
        socket->OnReadable();
      }
      return 1;
    case FD_WRITE:
      return socket->OnWritable(error) ? 1 : 0;
    case FD_CLOSE:
      return OnClose(*loop, tag, error);
    default:
      return 0;
  }
}

int WindowSource::OnClose(EventLoop &loop, EventTag tag, int error) {
  // The bytes that came before the close are read first. A connection that
  // ends with an error is treated like one the peer closed, as on Linux.
  // While reads are held, the bytes and the close wait: once reads resume,
  // the receive that finds the end of the stream closes the connection.
  if (TClientSocket *held = loop.Find(tag); held && held->ReadsHeld()) return 0;
  const LoopAlive alive;
  int ran = 0;
  for (int reads = 0; reads < kReadsAtClose; ++reads) {
    TClientSocket *socket = loop.Find(tag);
    if (!socket || !socket->Active() || socket->BytesReady() == 0) break;
    socket->OnReadable();
    ++ran;
    if (!alive) return ran;
  }
  TClientSocket *socket = loop.Find(tag);
  if (!socket || !socket->Active()) return ran;
  socket->OnClosed(error);
  return ran + 1;
}

}  // namespace roviro2
