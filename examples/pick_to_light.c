/* SPDX-License-Identifier: MIT */
/* A pick-to-light wave: shows a quantity on each light bar named, then
 * waits for the confirmation key of every one, with a time limit. A
 * confirmed bar goes dark. Exits 0 when all were confirmed in time, and
 * names those that were not otherwise.
 *
 *   pick_to_light SECONDS TAG...   TAG: gw:port:node, e.g. 1:1:5 */
#include <stdlib.h>

#include "wait.h"

enum { kMaxTags = 64, kKeyCommand = 0x0B };

int main(int argc, char **argv) {
  const int count = argc - 2;
  if (count < 1 || count > kMaxTags) {
    fprintf(stderr, "usage: pick_to_light SECONDS TAG... (1 to %d tags)\n", kMaxTags);
    return 2;
  }
  uint32_t tags[kMaxTags];
  int confirmed[kMaxTags] = {0};
  for (int i = 0; i < count; ++i) {
    tags[i] = ParseTag(argv[i + 2]);
    if (!tags[i]) {
      fprintf(stderr, "pick_to_light: '%s' is no tag (gw:port:node)\n", argv[i + 2]);
      return 2;
    }
  }
  const long long deadline = NowMs() + (long long)(atof(argv[1]) * 1000);
  if (!ConnectAll(5000)) {
    PT_API_Close();
    return 1;
  }
  for (int i = 0; i < count; ++i) {
    if (PT_LB_DspNum(tags[i], i + 1, 0, 0) != 0) /* the quantity to pick */
      fprintf(stderr, "pick_to_light: %s could not be lit\n", argv[i + 2]);
  }
  int left = count;
  while (left > 0 && WaitUntil(deadline)) {
    for (int i = 0; i < count; ++i) {
      uint32_t tag = tags[i];
      int16_t command = kKeyCommand, status, length;
      uint8_t data[8190];
      if (confirmed[i] || PT_Tag_RcvMsg(&tag, &command, &status, data, &length) != 1) continue;
      confirmed[i] = 1;
      --left;
      PT_LB_DspOff(tags[i]);
      printf("%s confirmed\n", argv[i + 2]);
      fflush(stdout);
    }
  }
  for (int i = 0; i < count; ++i) {
    if (!confirmed[i]) printf("%s not confirmed in time\n", argv[i + 2]);
  }
  PT_API_Close();
  return left == 0 ? 0 : 1;
}
