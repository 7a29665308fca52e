// SPDX-License-Identifier: MIT
// The command codes of byte 6 that the simulated devices know, by the names
// this simulator gives them. Codes of requests and of events share one space.
#pragma once

#include <cstdint>

namespace gwsim {
namespace command {

// Light bars (LB, LB2).
constexpr uint8_t kShow = 0x00;
constexpr uint8_t kBlank = 0x01;
constexpr uint8_t kLed1 = 0x02;
constexpr uint8_t kLed0 = 0x03;  // also clears a light bar's LED
constexpr uint8_t kBuzzerOn = 0x04;
constexpr uint8_t kBuzzerOff = 0x05;
constexpr uint8_t kKey = 0x0B;  // event
constexpr uint8_t kShowMode = 0x10;
constexpr uint8_t kLed2 = 0x11;
constexpr uint8_t kPreset = 0x12;
constexpr uint8_t kShowAddress = 0x13;
constexpr uint8_t kLock1On = 0x15;
constexpr uint8_t kLock1Off = 0x16;
constexpr uint8_t kSimulateOn = 0x17;
constexpr uint8_t kSimulateOff = 0x18;
constexpr uint8_t kModeOn = 0x19;
constexpr uint8_t kModeOff = 0x1A;
constexpr uint8_t kLock0On = 0x1B;
constexpr uint8_t kLock0Off = 0x1C;
constexpr uint8_t kDownload = 0x24;
constexpr uint8_t kRows = 0x25;

// The gateway itself, and any device.
constexpr uint8_t kPollRange = 0x08;
constexpr uint8_t kDiagnosis = 0x09;
constexpr uint8_t kReset = 0x14;
constexpr uint8_t kEscape = 0x3A;  // device settings, or a counter's display text

// Converters, scanners, terminals, digital I/O.
constexpr uint8_t kConverterData = 0x28;  // both directions
constexpr uint8_t kRescan = 0x30;
constexpr uint8_t kScan = 0x31;  // event
constexpr uint8_t kControl = 0x37;
constexpr uint8_t kHexText = 0x38;
constexpr uint8_t kText = 0x39;
constexpr uint8_t kKeys = 0x3B;  // event
constexpr uint8_t kIoStatus = 0x3C;
constexpr uint8_t kOutputs = 0x3D;
constexpr uint8_t kInputs = 0x3E;  // event

// Counters (DT2) and boards (KBN).
constexpr uint8_t kCounterOrBoard = 0x40;
constexpr uint8_t kCount = 0x41;  // event
constexpr uint8_t kSegmentLoad = 0x44;
constexpr uint8_t kSegmentShow = 0x47;
constexpr uint8_t kSegmentDelete = 0x4B;

}  // namespace command
}  // namespace gwsim
