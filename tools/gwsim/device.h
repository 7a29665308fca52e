/* SPDX-License-Identifier: MIT */
// What the simulator remembers of one device: the state that the commands of
// every family set. A device has no fixed kind; whichever commands reach its
// address shape what it shows.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace gwsim {

struct LightBar {
  std::string display;  // the characters last shown
  int extra = -1;       // the byte after six characters; -1 after a free-length text
  bool displayOn = false;
  int led = -1;  // -1 off; 0, 1, 2: the LED type switched on
  bool buzzer = false;
  uint16_t preset = 0;
  bool modeOn = false;
  bool simulation = false;
  bool lock1 = false;
  bool lock0 = false;
  int rows = 0;                              // second generation: row count
  std::map<uint8_t, std::string> downloads;  // second generation: by lead byte
};

// Cursor columns beyond this are taken as this one, so that a far cursor
// cannot make a row of gigabytes.
constexpr int kMaxCursorColumn = 1024;

struct Terminal {
  int rows = 4;
  int cursorRow = 0;
  int cursorColumn = 0;
  std::vector<std::string> screen;  // one line per row written
  int scroll = 0;
  uint8_t inputMode = '0';
  uint8_t bufferSize = 0;
  uint8_t configP = 0xFF;
  uint8_t configQ = 0xFF;
  std::string lastKey;  // keys the host simulated

  void Write(const std::string &bytes);
  void Clear();
};

struct Counter {
  std::string display;
  uint16_t value = 0;
  bool enabled = false;
  bool autoReport = false;
  uint8_t terminator = 0x0D;
  uint8_t functionKeys = 0;
  uint8_t buzzer1 = 0, buzzer2 = 0;
};

struct DigitalIo {
  uint16_t outputs = 0;
  uint16_t inputs = 0;
  bool reportAll = false;  // 'A': report every input change
  // Sets the outputs whose mask bit is clear to the matching value bits.
  void Apply(uint16_t mask, uint16_t value) { outputs = (outputs & mask) | (value & ~mask); }
};

struct Board {
  std::string message;  // the text shown, decoded from its digits
  std::map<int32_t, std::string> segments;
  std::vector<int32_t> shown;  // segments on display
};

struct Converter {
  std::vector<uint8_t> received;
  uint8_t terminator = 0x0D;
};

struct Device {
  LightBar lb;
  Terminal dcs;
  Counter dt2;
  DigitalIo dio;
  Board kbn;
  Converter cnv;
  int rescans = 0;
  int resets = 0;
  uint8_t node = 0;
  std::string kinds;  // families that addressed it, in first-use order: "LB DCS"

  void Saw(const char *family);
};

}  // namespace gwsim
