// SPDX-License-Identifier: MIT
#include "lib/host_form.h"

namespace roviro2 {

TForm0 *HostForm = nullptr;

TForm0 *CreateHostForm() {
  // Every open makes a new host; the earlier ones may still own sockets of a
  // second open without close, so they live until the library is unloaded.
  static std::vector<std::unique_ptr<TForm0>> hosts;
  hosts.push_back(std::make_unique<TForm0>());
  return hosts.back().get();
}

TClientSocket *TForm0::CreateSocket() {
  auto *socket = new TClientSocket;
  socket->OnConnect = [this](TClientSocket &s) { TCP1Connect(s); };
  socket->OnDisconnect = [this](TClientSocket &s) { TCP1Disconnect(s); };
  socket->OnRead = [this](TClientSocket &s) { TCP1DataArrival(s); };
  socket->OnError = [this](TClientSocket &s, TErrorEvent kind, int &code) {
    TCP1Error(s, kind, code);
  };
  return socket;
}

void ReleaseSocket(TClientSocket *socket) {
  delete socket;
}

}  // namespace roviro2
