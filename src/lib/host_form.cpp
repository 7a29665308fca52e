// SPDX-License-Identifier: MIT
#include "lib/host_form.h"

#include <algorithm>

namespace roviro2 {

TForm0 *HostForm = nullptr;

namespace {
std::vector<std::unique_ptr<TForm0>> hosts;
}  // namespace

TForm0 *CreateHostForm() {
  // Every open makes a new host; the earlier ones may still own sockets of a
  // second open without close, so they live until the next close.
  hosts.push_back(std::make_unique<TForm0>());
  return hosts.back().get();
}

void ReleaseIdleHosts() {
  // After a close no socket is left: only the current host is kept, so an
  // application that opens and closes for ever does not grow.
  hosts.erase(
      std::remove_if(hosts.begin(), hosts.end(),
                     [](const std::unique_ptr<TForm0> &host) { return host.get() != HostForm; }),
      hosts.end());
}

TClientSocket *TForm0::CreateSocket() {
  auto *socket = new TClientSocket;
  socket->OnConnect = [this](TClientSocket &s) { TCP1Connect(s); };
  socket->OnDisconnect = [this](TClientSocket &s) { TCP1Disconnect(s); };
  socket->OnRead = [this](TClientSocket &s) { TCP1DataArrival(s); };
  socket->OnError = [this](TClientSocket &s, SocketErrorKind kind, int &code) {
    TCP1Error(s, kind, code);
  };
  return socket;
}

void ReleaseSocket(TClientSocket *socket) {
  delete socket;
}

}  // namespace roviro2
