/* SPDX-License-Identifier: MIT */
/* A C99 program that uses the library through its public header alone. */
#include <stdio.h>

#include "roviro2.h"

int main(void) {
  uint16_t id = 0;
  char ip[32];
  int32_t port = 0;
  if (PT_API_Close() != 0) return 1;
  if (PT_GW_InsConf(7, "127.0.0.1", 4660) != 0) return 2;
  if (PT_GW_Conf(0, &id, ip, &port) != 1 || id != 7 || port != 4660) return 3;
  if (ROVIRO2_TAG_ADDR(1, 1, 5) != 0x00010105u) return 4;
  puts("ok");
  return 0;
}
