// SPDX-License-Identifier: MIT
// The command codes (frame byte 6) that the command functions send, one list
// for every family, so that no two families can give one code two meanings
// unseen. Sub-commands and device settings stay with their family.
#pragma once

#include <cstdint>

namespace roviro2 {

// Light bars (LB, LB2).
constexpr uint8_t kShow = 0x00;
constexpr uint8_t kBlank = 0x01;
constexpr uint8_t kLedType1 = 0x02;
constexpr uint8_t kClear = 0x03;     // also LED type 0
constexpr uint8_t kBuzzerOn = 0x04;  // also a counter's buzzer, with two bytes
constexpr uint8_t kBuzzerOff = 0x05;
constexpr uint8_t kShowWithMode = 0x10;
constexpr uint8_t kLedType2 = 0x11;
constexpr uint8_t kPreset = 0x12;
constexpr uint8_t kShowAddress = 0x13;
constexpr uint8_t kLockBit1 = 0x15;
constexpr uint8_t kUnlockBit1 = 0x16;
constexpr uint8_t kSimulateOn = 0x17;
constexpr uint8_t kSimulateOff = 0x18;
constexpr uint8_t kModeOn = 0x19;
constexpr uint8_t kModeOff = 0x1A;
constexpr uint8_t kLockBit0 = 0x1B;
constexpr uint8_t kUnlockBit0 = 0x1C;
constexpr uint8_t kDownload = 0x24;
constexpr uint8_t kSetRows = 0x25;

// Gateways, and every kind of tag.
constexpr uint8_t kPollRange = 0x08;
constexpr uint8_t kDiagnosis = 0x09;
constexpr uint8_t kReset = 0x14;
constexpr uint8_t kDeviceEscape = 0x3A;  // its data always start with 0x40

// Converters (CNV) and scanners (CCD).
constexpr uint8_t kSendData = 0x28;
constexpr uint8_t kRescan = 0x30;

// Data collection terminals (DCS).
constexpr uint8_t kControl = 0x37;
constexpr uint8_t kHexText = 0x38;
constexpr uint8_t kRawText = 0x39;

// Digital I/O (DIO).
constexpr uint8_t kReadStatus = 0x3C;
constexpr uint8_t kSetOutputs = 0x3D;

// Counters (DT2) and message boards (KBN) share 0x40: a board's body starts
// with the digit '9'.
constexpr uint8_t kCounter = 0x40;
constexpr uint8_t kBoardMessage = 0x40;
constexpr uint8_t kSegmentDownload = 0x44;
constexpr uint8_t kSegmentShow = 0x47;
constexpr uint8_t kSegmentDelete = 0x4B;

}  // namespace roviro2
