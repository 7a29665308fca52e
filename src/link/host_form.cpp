// SPDX-License-Identifier: MIT
#include "link/host_form.h"

#include <algorithm>

#include "link/link_state.h"

namespace roviro2 {

TForm0 *CreateHostForm() {
  // Every open makes a new host; the earlier ones may still own sockets of a
  // second open without close, so they live until the next close.
  std::vector<std::unique_ptr<TForm0>> &hosts = LinkPart().hosts;
  hosts.push_back(std::make_unique<TForm0>());
  return hosts.back().get();
}

void ReleaseIdleHosts() {
  // After a close no socket is left: only the current host is kept, so an
  // application that opens and closes for ever does not grow.
  LinkState &link = LinkPart();
  const TForm0 *current = link.HostForm;
  link.hosts.erase(std::remove_if(link.hosts.begin(), link.hosts.end(),
                                  [current](const std::unique_ptr<TForm0> &host) {
                                    return host.get() != current;
                                  }),
                   link.hosts.end());
}

std::unique_ptr<TClientSocket, SocketRelease> TForm0::CreateSocket(int32_t slot) {
  std::unique_ptr<TClientSocket, SocketRelease> socket(new TClientSocket);
  socket->OnConnect = [this, slot](TClientSocket &s) { TCP1Connect(slot, s); };
  socket->OnDisconnect = [this, slot](TClientSocket &s) { TCP1Disconnect(slot, s); };
  socket->OnRead = [this, slot](TClientSocket &s) { TCP1DataArrival(slot, s); };
  socket->OnError = [this, slot](TClientSocket &s, SocketErrorKind kind, int &code) {
    TCP1Error(slot, s, kind, code);
  };
  return socket;
}

}  // namespace roviro2
