/* SPDX-License-Identifier: MIT */
/* Reads a counter terminal's counter and an I/O module's inputs, then
 * reports each change either sends, for SECONDS.
 *
 *   counters_inputs SECONDS COUNTER_TAG IO_TAG   e.g. 5 1:1:4 1:1:7 */
#include <stdlib.h>

#include "wait.h"

int main(int argc, char **argv) {
  const uint32_t counter = argc == 4 ? ParseTag(argv[2]) : 0;
  const uint32_t io = argc == 4 ? ParseTag(argv[3]) : 0;
  if (!counter || !io) {
    fprintf(stderr, "usage: counters_inputs SECONDS COUNTER_TAG IO_TAG (tags as gw:port:node)\n");
    return 2;
  }
  const long long deadline = NowMs() + (long long)(atof(argv[1]) * 1000);
  if (!ConnectAll(5000)) {
    PT_API_Close();
    return 1;
  }
  PT_DT2_ReadCounter(counter);
  PT_DIO_ReadIoStatus(io);
  int answers = 0;
  while (WaitUntil(deadline)) {
    uint32_t tag = 0;
    int16_t command = -1, status, length;
    uint8_t d[8190];
    while (PT_Tag_RcvMsg(&tag, &command, &status, d, &length) == 1) {
      const char *what = tag == counter ? argv[2] : tag == io ? argv[3] : NULL;
      if (what && command == 0x40 && length >= 3 && d[0] == 2) { /* answer: 02, low, high */
        printf("counter %s: %u\n", what, d[1] | d[2] << 8);
        ++answers;
      } else if (what && command == 0x41 && length >= 2) { /* counted: low, high */
        printf("counter %s: %u (counted)\n", what, d[0] | d[1] << 8);
      } else if (what && command == 0x3C && length >= 4) { /* in low, high, out low, high */
        printf("inputs %s: 0x%04X, outputs 0x%04X\n", what, d[0] | d[1] << 8, d[2] | d[3] << 8);
        ++answers;
      } else if (what && command == 0x3E && length >= 2) { /* inputs changed: low, high */
        printf("inputs %s: 0x%04X (changed)\n", what, d[0] | d[1] << 8);
      }
      fflush(stdout);
      tag = 0;
      command = -1;
    }
  }
  PT_API_Close();
  if (answers < 2) fprintf(stderr, "counters_inputs: only %d of 2 answers came\n", answers);
  return answers >= 2 ? 0 : 1;
}
