/* SPDX-License-Identifier: MIT */
/* What the examples share: tag addresses from "gw:port:node", and waiting
 * for the library's socket events with poll() until a deadline. */
#ifndef ROVIRO2_EXAMPLE_WAIT_H
#define ROVIRO2_EXAMPLE_WAIT_H

#include <poll.h>
#include <stdio.h>
#include <time.h>

#include "roviro2.h"
#include "roviro2_ext.h"

/* A tag address from "gw:port:node"; 0 when the text is not one. */
static inline uint32_t ParseTag(const char *text) {
  unsigned gw, port, node;
  char end;
  if (sscanf(text, "%u:%u:%u%c", &gw, &port, &node, &end) != 3 || gw == 0 || gw > 0xFFFF ||
      port < 1 || port > 2 || node > 0xFF)
    return 0;
  return ROVIRO2_TAG_ADDR(gw, port, node);
}

/* The monotonic clock, in milliseconds. */
static inline long long NowMs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

/* Sleeps until the library has socket events or the deadline (NowMs()
 * time) comes, then runs them; 0 once the deadline has passed. */
static inline int WaitUntil(long long deadline) {
  const long long left = deadline - NowMs();
  if (left <= 0) return 0;
  struct pollfd events = {roviro2_event_fd(), POLLIN, 0};
  poll(&events, 1, left > 1000 ? 1000 : (int)left);
  roviro2_dispatch();
  return 1;
}

/* Opens the library and connects every gateway of ./IPINDEX, waiting at
 * most `ms` milliseconds; says on stderr which one did not connect, and
 * why. 1 when all are connected. */
static inline int ConnectAll(long long ms) {
  const long long deadline = NowMs() + ms;
  if (PT_API_Open() <= 0) {
    fprintf(stderr, "no gateway in ./IPINDEX\n");
    return 0;
  }
  PT_GW_Open(0);
  for (int32_t i = 0; i < PT_GW_Cnt(); ++i) {
    const uint32_t id = (uint32_t)PT_GW_Ndx2ID((uint32_t)i);
    while (PT_GW_Status(id) != 7) {
      if (!WaitUntil(deadline)) {
        char reason[128] = "";
        roviro2_last_error(id, reason, sizeof reason);
        fprintf(stderr, "gateway %u does not answer: %s\n", id, reason[0] ? reason : "no reply");
        return 0;
      }
    }
  }
  return 1;
}

#endif /* ROVIRO2_EXAMPLE_WAIT_H */
