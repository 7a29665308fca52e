// SPDX-License-Identifier: MIT
// Light bars, first (LB) and second (LB2) generation.
#include "command_codes.h"
#include "device_commands.h"

namespace gwsim {

namespace {

// Seven bytes are six characters and the extra byte (PT_LB_DspNum,
// PT_LB_DspStr); any other length is a free-length text, of up to ten
// characters from an LB2 (PT_LB2_DspStr), longer from PT_LB_DspStr2. The
// frame does not say which function sent it, so a free text of exactly
// seven characters shows as six, its last one kept as the extra byte.
void Show(const Request &r, Device &d, Answers &) {
  const Bytes &data = r.data;
  d.Saw(data.size() <= 10 && data.size() != 7 ? "LB2" : "LB");
  LightBar &lb = d.lb;
  lb.display = data.size() == 7 ? AsText(Bytes(data.begin(), data.end() - 1)) : AsText(data);
  lb.extra = data.size() == 7 ? data[6] : -1;
  lb.displayOn = true;
}

void ShowAddress(const Request &, Device &d, Answers &) {
  d.Saw("LB");
  d.lb.display = "ADR" + std::to_string(d.node);
  d.lb.displayOn = true;
}

// Two data bytes are a counter's two buzzer bytes; otherwise it is a light
// bar's buzzer.
void BuzzerOn(const Request &r, Device &d, Answers &) {
  if (r.data.size() == 2) {
    d.Saw("DT2");
    d.dt2.buzzer1 = r.data[0];
    d.dt2.buzzer2 = r.data[1];
  } else {
    d.Saw("LB");
    d.lb.buzzer = true;
  }
}

void Preset(const Request &r, Device &d, Answers &) {
  if (r.data.size() >= 2) d.lb.preset = static_cast<uint16_t>(r.data[0] | r.data[1] << 8);
}

void Download(const Request &r, Device &d, Answers &) {
  d.Saw("LB2");
  if (!r.data.empty()) d.lb.downloads[r.data[0]] = AsText(r.data, 1);
}

void Rows(const Request &r, Device &d, Answers &) {
  d.Saw("LB2");
  if (!r.data.empty()) d.lb.rows = r.data[0];
}

// A command that sets one light bar field and names no family.
template <auto field, auto value>
void Set(const Request &, Device &d, Answers &) {
  d.lb.*field = value;
}

// A command of the LB family that sets one light bar field.
template <auto field, auto value>
void SetOnLb(const Request &r, Device &d, Answers &answers) {
  d.Saw("LB");
  Set<field, value>(r, d, answers);
}

}  // namespace

const CommandTable &LightBarCommands() {
  static const CommandTable table = {
      {command::kShow, Show},
      {command::kShowMode, Show},
      {command::kShowAddress, ShowAddress},
      {command::kBlank, SetOnLb<&LightBar::displayOn, false>},
      {command::kLed0, SetOnLb<&LightBar::led, 0>},
      {command::kLed1, SetOnLb<&LightBar::led, 1>},
      {command::kLed2, SetOnLb<&LightBar::led, 2>},
      {command::kBuzzerOn, BuzzerOn},
      {command::kBuzzerOff, SetOnLb<&LightBar::buzzer, false>},
      {command::kPreset, Preset},
      {command::kLock1On, Set<&LightBar::lock1, true>},
      {command::kLock1Off, Set<&LightBar::lock1, false>},
      {command::kSimulateOn, Set<&LightBar::simulation, true>},
      {command::kSimulateOff, Set<&LightBar::simulation, false>},
      {command::kModeOn, Set<&LightBar::modeOn, true>},
      {command::kModeOff, Set<&LightBar::modeOn, false>},
      {command::kLock0On, Set<&LightBar::lock0, true>},
      {command::kLock0Off, Set<&LightBar::lock0, false>},
      {command::kDownload, Download},
      {command::kRows, Rows},
  };
  return table;
}

}  // namespace gwsim
