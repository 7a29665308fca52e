/* SPDX-License-Identifier: MIT */
/* A program built against an installed roviro2, as a user's would be: it
 * checks that the headers and the library loaded agree on the version,
 * connects to gateway 1 of ./IPINDEX, shows argv[1] on the light bar
 * 1:1:5, and waits (at most 5 s) for the answer to a diagnosis request,
 * which also tells that the number went out before it. */
#define _POSIX_C_SOURCE 200809L /* clock_gettime, poll */

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "roviro2.h"
#include "roviro2_ext.h"

static long MillisecondsLeft(const struct timespec *deadline) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (deadline->tv_sec - now.tv_sec) * 1000 + (deadline->tv_nsec - now.tv_nsec) / 1000000;
}

/* Polls the library until done() holds or the deadline passes; sleeps in
 * poll() on the library's event descriptor in between. */
static int WaitFor(int (*done)(void), const struct timespec *deadline) {
  while (!done()) {
    const long left = MillisecondsLeft(deadline);
    if (left <= 0) return 0;
    struct pollfd events = {roviro2_event_fd(), POLLIN, 0};
    poll(&events, 1, left < 100 ? (int)left : 100);
  }
  return 1;
}

static int Connected(void) {
  return PT_GW_Status(1) == 7;
}

static int Answered(void) {
  PT_GW_Status(1);
  return PT_GW_RcvReady(1) > 0;
}

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: consumer NUMBER\n");
    return 2;
  }
  if (strcmp(roviro2_version(), ROVIRO2_VERSION_STRING) != 0) {
    fprintf(stderr, "consumer: built with %s, runs with %s\n", ROVIRO2_VERSION_STRING,
            roviro2_version());
    return 1;
  }
  struct timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += 5;
  if (PT_API_Open() < 1 || PT_GW_Open(1) < 0 || !WaitFor(Connected, &deadline)) {
    fprintf(stderr, "consumer: gateway 1 did not connect\n");
    PT_API_Close();
    return 1;
  }
  const int shown = PT_LB_DspNum(ROVIRO2_TAG_ADDR(1, 1, 5), (uint32_t)atol(argv[1]), 0, 0);
  const int asked = PT_GW_TagDiag(1, 1);
  const int answered = shown == 0 && asked == 0 && WaitFor(Answered, &deadline);
  PT_API_Close();
  if (!answered) {
    fprintf(stderr, "consumer: no answer from gateway 1 (send results %d, %d)\n", shown, asked);
    return 1;
  }
  printf("roviro2 %s: showed %s\n", roviro2_version(), argv[1]);
  return 0;
}
