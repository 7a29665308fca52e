/* SPDX-License-Identifier: MIT */
/* An application with its own event loop: it sleeps in poll() on the
 * library's event descriptor (beside its own descriptors, here standard
 * input), runs the library's events with roviro2_dispatch when it is
 * readable, and prints each frame that arrives.
 *
 *   event_loop SECONDS [COUNT]   stops after SECONDS, or after COUNT frames,
 *                                or at a line "q" on standard input */
#include <stdlib.h>
#include <unistd.h>

#include "wait.h"

int main(int argc, char **argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: event_loop SECONDS [COUNT]\n");
    return 2;
  }
  const long long deadline = NowMs() + (long long)(atof(argv[1]) * 1000);
  const long count = argc == 3 ? atol(argv[2]) : -1;
  if (!ConnectAll(5000)) {
    PT_API_Close();
    return 1;
  }
  long frames = 0;
  struct pollfd fds[2] = {{roviro2_event_fd(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
  int watchInput = 1;
  while (frames != count) {
    const long long left = deadline - NowMs();
    if (left <= 0) break;
    if (poll(fds, watchInput ? 2 : 1, left > 1000 ? 1000 : (int)left) < 0) break;
    if (watchInput && (fds[1].revents & (POLLIN | POLLHUP))) {
      char line[256];
      const ssize_t got = read(STDIN_FILENO, line, sizeof line);
      if (got <= 0) watchInput = 0; /* no more input: only the library's events */
      if (got > 0 && line[0] == 'q') break;
    }
    if (fds[0].revents & POLLIN) roviro2_dispatch();
    uint32_t tag = 0; /* any gateway, port and node */
    int16_t command = -1, status, length;
    uint8_t data[8190];
    while (frames != count && PT_Tag_RcvMsg(&tag, &command, &status, data, &length) == 1) {
      printf("tag %u:%u:%u command 0x%02X status %d, %d data bytes\n", tag >> 16, (tag >> 8) & 0xFF,
             tag & 0xFF, command & 0xFF, status, length);
      fflush(stdout);
      ++frames;
      tag = 0;
      command = -1;
    }
  }
  PT_API_Close();
  printf("%ld frames\n", frames);
  return count < 0 || frames == count ? 0 : 1;
}
