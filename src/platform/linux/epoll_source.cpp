// SPDX-License-Identifier: MIT
#include "platform/linux/epoll_source.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace roviro2 {

namespace {

constexpr EventTag kWakeTag = 0;  // socket numbers start at 1
constexpr int kBatch = 64;

}  // namespace

std::unique_ptr<EventSource> EventSource::Create() {
  const int epoll = epoll_create1(EPOLL_CLOEXEC);
  if (epoll < 0) return nullptr;
  const int wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = kWakeTag;
  if (wake < 0 || epoll_ctl(epoll, EPOLL_CTL_ADD, wake, &ev) != 0) {
    if (wake >= 0) close(wake);
    close(epoll);
    return nullptr;
  }
  return std::make_unique<EpollSource>(epoll, wake);
}

EpollSource::~EpollSource() {
  close(wake_);
  close(epoll_);
}

bool EpollSource::Control(int operation, NativeSocket handle, EventTag tag, uint32_t events) {
  epoll_event ev{};
  ev.events = events;
  ev.data.u64 = tag;
  return epoll_ctl(epoll_, operation, static_cast<int>(handle), &ev) == 0;
}

bool EpollSource::WatchConnect(NativeSocket handle, EventTag tag) {
  return Control(EPOLL_CTL_ADD, handle, tag, EPOLLOUT);
}

void EpollSource::WatchConnected(NativeSocket handle, EventTag tag, bool writes, bool readsHeld) {
  const uint32_t out = writes ? EPOLLOUT : 0u;
  Control(EPOLL_CTL_MOD, handle, tag, readsHeld ? (EPOLLET | out) : (EPOLLIN | EPOLLRDHUP | out));
}

void EpollSource::Unwatch(NativeSocket handle) {
  epoll_event ev{};
  epoll_ctl(epoll_, EPOLL_CTL_DEL, static_cast<int>(handle), &ev);
}

void EpollSource::Wake() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
}

void EpollSource::Quiet() {
  uint64_t count;
  [[maybe_unused]] const ssize_t got = read(wake_, &count, sizeof count);
}

int EpollSource::RunReady(EventLoop &loop, int waitMs) {
  // Level-triggered: a socket that stays ready shows up again, so the number
  // of batches is bounded by the number of sockets.
  // A handler may end the loop, and with it this source: after that nothing
  // of either is touched.
  const LoopAlive alive;
  int ran = 0;
  std::size_t batches = loop.SocketCount() / kBatch + 1;
  epoll_event events[kBatch];
  while (batches-- > 0) {
    int ready;
    do {
      ready = epoll_wait(epoll_, events, kBatch, waitMs);
    } while (ready < 0 && errno == EINTR && waitMs == 0);
    waitMs = 0;
    for (int i = 0; i < ready; ++i) {
      if (events[i].data.u64 != kWakeTag)
        ran += HandleReady(loop, events[i].data.u64, events[i].events);
      if (!alive) return ran;
    }
    if (ready < kBatch) break;
  }
  return ran;
}

int EpollSource::HandleReady(EventLoop &loop, EventTag tag, uint32_t mask) {
  TClientSocket *socket = loop.Find(tag);
  if (!socket) return 0;
  if (socket->Connecting()) {
    // Reported without room to write, a connect that records no error was
    // refused all the same.
    socket->OnConnectResult(0, (mask & EPOLLOUT) ? 0 : ECONNREFUSED);
    return 1;
  }
  if (socket->Active()) return HandleConnected(loop, socket, tag, mask);
  return 0;
}

int EpollSource::HandleConnected(EventLoop &loop, TClientSocket *socket, EventTag tag,
                                 uint32_t mask) {
  if ((mask & EPOLLOUT) && socket->OnWritable()) return 1;
  // While reads are held, what waits (bytes or the end of the stream) stays
  // in the kernel until they resume.
  if (socket->ReadsHeld()) return 0;
  // The kernel flags a closed or failed connection in the event itself.
  // Without such a flag, readable means bytes are waiting, and the read
  // handler's own read finds out how many; with one, it is worth more system
  // calls to tell bytes still to read from the end of the stream.
  const bool hungUp = (mask & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0;
  const bool readable = hungUp ? socket->BytesReady() > 0 : (mask & EPOLLIN) != 0;
  int ran = 0;
  if (readable) {
    const LoopAlive alive;
    socket->OnReadable();
    ++ran;
    // The handler may have ended the loop, released the socket or closed
    // the connection; the socket is looked up again only when there is
    // more to do with it.
    if (!alive || !hungUp) return ran;
    socket = loop.Find(tag);
    if (!socket || !socket->Active()) return ran;
  }
  if (hungUp && socket->OnHangUp()) ++ran;
  return ran;
}

}  // namespace roviro2
