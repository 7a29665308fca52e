// SPDX-License-Identifier: MIT
// The batch extensions (roviro2_ext.h), exported by the POSIX library.
#include "platform/boundary.h"
#include "platform/send_batch.h"
#include "roviro2_ext.h"

using namespace roviro2;

extern "C" {

ROVIRO2_API void roviro2_batch_begin(void) {
  Guarded(0, [] {
    BeginBatch();
    return 0;
  });
}

ROVIRO2_API int32_t roviro2_batch_end(void) {
  return Guarded(-1, [] { return EndBatch(); });
}

}  // extern "C"
