/* SPDX-License-Identifier: MIT */
/*
 * roviro2-demo: an example application. It connects the gateways listed in
 * IPINDEX, drives a few devices of gateway 1, then waits for events from
 * them and prints what it receives. Exits 0 when every step got the answer
 * it expected.
 *
 * Devices used (gateway:port:node):
 *   1:1:5 light bar   1:1:6 light bar   1:1:7 digital I/O
 *   1:2:1 terminal    1:2:2 counter     1:2:3 scanner      1:2:4 message board
 */
#define _POSIX_C_SOURCE 199309L
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "roviro2.h"

#define GATEWAY 1
#define LIGHT_BAR ROVIRO2_TAG_ADDR(GATEWAY, 1, 5)
#define LIGHT_BAR_2 ROVIRO2_TAG_ADDR(GATEWAY, 1, 6)
#define IO_MODULE ROVIRO2_TAG_ADDR(GATEWAY, 1, 7)
#define TERMINAL ROVIRO2_TAG_ADDR(GATEWAY, 2, 1)
#define COUNTER ROVIRO2_TAG_ADDR(GATEWAY, 2, 2)
#define SCANNER ROVIRO2_TAG_ADDR(GATEWAY, 2, 3)
#define BOARD ROVIRO2_TAG_ADDR(GATEWAY, 2, 4)
#define PATIENCE_SECONDS 10

static int failures = 0;

static void Pause(void) {
  const struct timespec tick = {0, 10 * 1000 * 1000};
  nanosleep(&tick, NULL);
}

/* Prints one step and counts it as failed unless its result is `expected`. */
static void Step(const char *what, int32_t result, int32_t expected) {
  printf("  %-44s -> %d%s\n", what, (int)result, result == expected ? "" : "  FAILED");
  if (result != expected) ++failures;
}

/* Polls until a frame from `tag` with `command` arrives; 1 when it did. */
static int Receive(uint32_t tag, int16_t command, int16_t *status, uint8_t *data, int16_t *length) {
  const time_t deadline = time(NULL) + PATIENCE_SECONDS;
  while (time(NULL) < deadline) {
    uint32_t from = tag;
    int16_t cmd = command;
    PT_GW_Status(GATEWAY); /* handles what arrived */
    if (PT_Tag_RcvMsg(&from, &cmd, status, data, length) == 1) return 1;
    Pause();
  }
  return 0;
}

static int Connect(void) {
  const time_t deadline = time(NULL) + PATIENCE_SECONDS;
  PT_GW_Open(0);
  while (PT_GW_Status(GATEWAY) != 7) {
    if (time(NULL) >= deadline) return 0;
    Pause();
  }
  return 1;
}

static void DriveDevices(void) {
  printf("driving devices of gateway %d:\n", GATEWAY);
  Step("light bar 1:1:5 shows 42", PT_LB_DspNum(LIGHT_BAR, 42, 0, 0), 0);
  Step("light bar 1:1:5 LED 1 on", PT_LB_LedOn(LIGHT_BAR, 1, 0), 0);
  Step("light bar 1:1:5 buzzer on", PT_LB_BuzOn(LIGHT_BAR, 1), 0);
  Step("light bar 1:1:6 shows HELLO", PT_LB_DspStr(LIGHT_BAR_2, "HELLO", 0, 0), 0);
  Step("terminal 1:2:1 cleared", PT_DCS_Cls(TERMINAL), 0);
  Step("terminal 1:2:1 cursor to row 1, column 1", PT_DCS_SetCursor(TERMINAL, 1, 1), 0);
  Step("terminal 1:2:1 writes a line", PT_DCS_DspStrE(TERMINAL, "Hello from roviro2", -1), 0);
  Step("terminal 1:2:1 cursor to row 2, column 3", PT_DCS_SetCursor(TERMINAL, 2, 3), 0);
  Step("terminal 1:2:1 writes another", PT_DCS_DspStrE(TERMINAL, "second line", -1), 0);
  Step("counter 1:2:2 set to 1234", PT_DT2_SetCounter(COUNTER, 1234), 0);
  Step("counter 1:2:2 enabled", PT_DT2_EnableCounter(COUNTER), 0);
  Step("I/O 1:1:7 outputs 1, 3, 6, 8 on", PT_DIO_SetDO(IO_MODULE, 0, 0x00A5), 0);
  Step("I/O 1:1:7 output 9 on", PT_DIO_SetDO(IO_MODULE, 9, 1), 0);
  Step("board 1:2:4 shows WELCOME", PT_KBN_DspMsg(BOARD, "WELCOME", 1, 0), 0);
}

static void ReadBack(void) {
  int16_t status = 0, length = 0;
  uint8_t data[8190];
  printf("reading back:\n");
  Step("counter 1:2:2 asked for its value", PT_DT2_ReadCounter(COUNTER), 0);
  if (Receive(COUNTER, 0x40, &status, data, &length) && length == 3) {
    Step("counter 1:2:2 value", data[1] | data[2] << 8, 1234);
  } else {
    Step("counter 1:2:2 value (no answer)", -1, 1234);
  }
  Step("I/O 1:1:7 asked for its status", PT_DIO_ReadIoStatus(IO_MODULE), 0);
  if (Receive(IO_MODULE, 0x3C, &status, data, &length) && length == 4) {
    Step("I/O 1:1:7 outputs", data[2] | data[3] << 8, 0x01A5);
  } else {
    Step("I/O 1:1:7 outputs (no answer)", -1, 0x01A5);
  }
}

static void AwaitEvents(void) {
  int16_t status = 0, length = 0;
  uint8_t data[8190];
  printf("waiting for device events:\n");
  if (Receive(LIGHT_BAR, 0x0B, &status, data, &length) && length == 1) {
    printf("  key '%c' pressed on light bar 1:1:5\n", data[0]);
  } else {
    Step("key press on light bar 1:1:5 (none came)", -1, 0);
  }
  if (Receive(SCANNER, 0x31, &status, data, &length)) {
    printf("  scanner 1:2:3 read \"%.*s\"\n", (int)length, (const char *)data);
  } else {
    Step("scan on 1:2:3 (none came)", -1, 0);
  }
  if (Receive(IO_MODULE, 0x3E, &status, data, &length) && length == 2) {
    printf("  I/O 1:1:7 inputs changed to 0x%04X\n", data[0] | data[1] << 8);
  } else {
    Step("input change on 1:1:7 (none came)", -1, 0);
  }
}

int main(void) {
  const int32_t count = PT_API_Open();
  if (count <= 0) {
    fprintf(stderr, "roviro2-demo: no gateways in ./IPINDEX\n");
    PT_API_Close();
    return 1;
  }
  printf("roviro2: %d gateway(s) loaded from IPINDEX\n", (int)count);
  if (!Connect()) {
    fprintf(stderr, "roviro2-demo: gateway %d did not connect\n", GATEWAY);
    PT_API_Close();
    return 1;
  }
  printf("gateway %d connected\n", GATEWAY);
  DriveDevices();
  ReadBack();
  AwaitEvents();
  PT_API_Close();
  printf(failures == 0 ? "demo finished: every step answered as expected\n"
                       : "demo finished: %d step(s) failed\n",
         failures);
  return failures == 0 ? 0 : 1;
}
