/* Loads the gateway list from IPINDEX in the current directory and shows it. */
#include <stdio.h>

#include "roviro2.h"

int main(void) {
  const int32_t count = PT_API_Open();
  if (count < 0) {
    fprintf(stderr, "roviro2-demo: no readable IPINDEX in the current directory\n");
    PT_API_Close();
    return 1;
  }
  printf("roviro2: %d gateway(s) loaded from IPINDEX\n", (int)count);
  for (int32_t i = 0; i < count; ++i) {
    uint16_t id = 0;
    int32_t port = 0;
    char ip[256];
    if (PT_GW_Conf((uint32_t)i, &id, ip, &port) == 1)
      printf("  slot %d: gateway %u at %s port %d\n", (int)i, (unsigned)id, ip, (int)port);
  }
  PT_API_Close();
  return 0;
}
