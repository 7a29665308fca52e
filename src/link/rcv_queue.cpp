#include "link/rcv_queue.h"

namespace roviro2 {

std::unique_ptr<TRcvQueue> RcvQueue;

}  // namespace roviro2
