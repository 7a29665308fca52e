/* SPDX-License-Identifier: MIT */
#include <poll.h>
#include <stdio.h>

#include "roviro2.h"
#include "roviro2_ext.h"

/* Sleeps until the library has socket events or ms milliseconds have passed,
 * then lets PT_GW_Status handle them; returns the gateway's status. */
static int32_t StatusAfter(int ms) {
  struct pollfd events = {roviro2_event_fd(), POLLIN, 0};
  poll(&events, 1, ms);
  return PT_GW_Status(1);
}

int main(void) {
  uint32_t tag = ROVIRO2_TAG_ADDR(1, 1, 5); /* gateway 1, port 1, node 5 */
  uint8_t data[8190];
  int16_t command = -1, status, length;
  char reason[128];
  int tries;
  if (PT_API_Open() <= 0) { /* reads ./IPINDEX */
    fprintf(stderr, "no gateway in ./IPINDEX\n");
    return 1;
  }
  PT_GW_Open(1);
  for (tries = 0; StatusAfter(100) != ROVIRO2_CONNECTED; ++tries) { /* 5 s at most */
    if (tries == 50) {
      roviro2_last_error(1, reason, sizeof reason);
      fprintf(stderr, "gateway 1 does not answer: %s\n", reason[0] ? reason : "no reply");
      PT_API_Close();
      return 1;
    }
  }
  PT_LB_DspNum(tag, 42, 0, 0); /* show 42 on the light bar */
  for (tries = 0;; ++tries) {  /* wait for something from the tag: 10 s at most */
    uint32_t from = tag;
    if (PT_Tag_RcvMsg(&from, &command, &status, data, &length) == 1) break;
    if (tries == 100) {
      fprintf(stderr, "tag 1:1:5 sent nothing\n");
      PT_API_Close();
      return 1;
    }
    StatusAfter(100); /* handles arrived data */
  }
  printf("command 0x%02X, %d data bytes\n", command, length);
  PT_API_Close();
  return 0;
}
