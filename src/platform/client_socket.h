// Asynchronous IPv4 TCP client socket. Placeholder contract: the full class
// comes with the connection layer.
#pragma once

namespace roviro2 {

// Kinds of socket error event.
enum class TErrorEvent { eeGeneral, eeSend, eeReceive, eeConnect, eeDisconnect, eeAccept };

class TClientSocket;

// Releases a socket: its connection, if any, is closed and no event is raised.
void ReleaseClientSocket(TClientSocket *socket);

}  // namespace roviro2
