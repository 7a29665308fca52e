// The event source of the POSIX sockets: one epoll instance for every socket,
// plus a list of events that the sockets post themselves (a connect refused at
// once, a connection closed by the library). An eventfd in the epoll set makes
// the epoll descriptor readable while posted events wait.
#pragma once

#include <sys/epoll.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/client_socket.h"

namespace roviro2 {

// Names one handle of one socket: the socket's number in the high half, the
// socket's handle generation in the low half. Events of an older generation
// are stale and dropped.
using TEventTag = uint64_t;

enum class TPostedKind { kDisconnect, kConnectError };

class TEventLoop {
 public:
  // The running loop, or null.
  static TEventLoop *Instance();
  static bool Start();
  static void Stop();

  int Fd() const { return epoll_; }

  // Socket numbers: a socket is known to the loop from Enrol to Leave.
  uint32_t Enrol(TClientSocket *socket);
  void Leave(uint32_t number);

  bool Watch(int fd, TEventTag tag, bool connecting, bool wantWrite, bool added);
  void Unwatch(int fd);
  void Post(TEventTag tag, TPostedKind kind, int code = 0);

  int Dispatch();

  // Where a read puts its bytes: one area for every socket, since each read
  // is cut into frames before the next one.
  static constexpr std::size_t kReadAreaSize = 256 * 1024;
  uint8_t *ReadArea();

 private:
  struct Posted {
    TEventTag tag;
    TPostedKind kind;
    int code;
  };
  TEventLoop(int epoll, int wake) : epoll_(epoll), wake_(wake) {}
  ~TEventLoop();

  TClientSocket *Find(TEventTag tag) const;
  int RunPosted();
  int RunReady();
  int HandleReady(TEventTag tag, uint32_t mask);
  int FinishConnect(TEventTag tag, uint32_t mask);
  int HandleConnected(TEventTag tag, uint32_t mask);

  int epoll_;
  int wake_;
  uint32_t nextNumber_ = 1;
  std::unordered_map<uint32_t, TClientSocket *> sockets_;
  std::vector<Posted> posted_;
  std::unique_ptr<uint8_t[]> readArea_;
};

// Raising the events of a socket on the library's thread.
void RaiseConnect(TClientSocket &socket);
void RaiseDisconnect(TClientSocket &socket);
void RaiseRead(TClientSocket &socket);
void RaiseError(TClientSocket &socket, TErrorEvent kind, int code);

}  // namespace roviro2
