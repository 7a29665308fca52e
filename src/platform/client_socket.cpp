#include "platform/client_socket.h"

namespace roviro2 {

// No socket exists yet: nothing creates one before the connection layer.
void ReleaseClientSocket(TClientSocket *) {}

}  // namespace roviro2
