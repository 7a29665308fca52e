// SPDX-License-Identifier: MIT
#include "functions.h"

#include <cstdio>
#include <map>

#include "roviro2.h"
#include "roviro2_ext.h"
#include "session.h"
#include "values.h"

namespace cli {

namespace {

using V = const Values &;
using O = std::string &;

std::string Hex(const uint8_t *bytes, std::size_t size) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", bytes[i]);
    text += pair;
  }
  return text;
}

int32_t Conf(V v, O out) {
  uint16_t id = 0;
  int32_t port = 0;
  std::string ip;
  const int32_t r = ReadEntry(v.U(0), id, ip, port);
  if (r == 1) out = "id " + std::to_string(id) + " address " + ip + " port " + std::to_string(port);
  return r;
}

int32_t AllStatus(V, O out) {
  uint8_t status[256];
  const int32_t r = PT_GW_AllStatus(status);
  for (int32_t i = 0; i < r; ++i)
    out += (i ? " " : "") + std::to_string(status[i]);
  return r;
}

int32_t RcvMsg(V v, O out) {
  uint8_t frame[8198];
  const int32_t r = PT_GW_RcvMsg(v.U(0), frame);
  if (r > 0) out = "frame " + Hex(frame, static_cast<std::size_t>(r));
  return r;
}

int32_t RcvTagData(V, O out) {
  uint8_t data[8190];
  const int32_t r = PT_GW_RcvTagData(data);
  if (r > 0) out = "data " + Hex(data, static_cast<std::size_t>(r));
  return r;
}

int32_t TagRcvMsg(V v, O out) {
  uint32_t tag = v.U(0);
  int16_t command = static_cast<int16_t>(v.I(1));
  int16_t status = 0, length = 0;
  uint8_t data[8190];
  const int32_t r = PT_Tag_RcvMsg(&tag, &command, &status, data, &length);
  if (r == 1) {
    char text[96];
    std::snprintf(text, sizeof text, "tag %u:%u:%u command 0x%02X status %d data ", tag >> 16,
                  (tag >> 8) & 0xFF, tag & 0xFF, command, status);
    out = text + Hex(data, static_cast<std::size_t>(length));
  }
  return r;
}

// The library reads `count` bytes from what the user gave, with no other
// bound: a count above the bytes given would read past them. The count is
// what the library takes, the low 16 bits as a signed number; a negative one
// reads no counted bytes (refused, none, or the text up to its zero byte).
bool CountFits(V v, std::size_t bytes, std::size_t count, std::string &error) {
  const int16_t counted = static_cast<int16_t>(v.U(count));
  if (counted <= 0 || static_cast<std::size_t>(counted) <= v.Size(bytes)) return true;
  const std::string whole =
      v.I(count) == counted ? "" : " (the low 16 bits of " + std::to_string(v.I(count)) + ")";
  error = "argument " + std::to_string(count + 1) + " asks for " + std::to_string(counted) +
          " byte(s)" + whole + ", but argument " + std::to_string(bytes + 1) + " has only " +
          std::to_string(v.Size(bytes));
  return false;
}

// Arguments 2 and 3: the bytes and their count.
bool TextCount(V v, std::string &error) {
  return CountFits(v, 1, 2, error);
}

// The frame's length field (its first two bytes, little-endian) says how
// many bytes PT_GW_SndMsg sends from it.
bool FrameFits(V v, std::string &error) {
  const std::size_t size = v.Size(1);
  if (size < 2) {
    error = "the frame must start with its 2-byte length field, but has " + std::to_string(size) +
            " byte(s)";
    return false;
  }
  const std::size_t length = v.B(1)[0] | v.B(1)[1] << 8;
  if (length <= size) return true;
  error = "the frame's length field says " + std::to_string(length) +
          " bytes but the frame has only " + std::to_string(size);
  return false;
}

// The table, in the order of the exports' ordinals.
const std::vector<Function> kFunctions = {
    {"PT_API_Open", "", "", [](V, O) { return PT_API_Open(); }},
    {"PT_API_Close", "", "", [](V, O) { return PT_API_Close(); }},
    {"PT_GW_Open", "n", "gwId", [](V v, O) { return PT_GW_Open(v.U(0)); }},
    {"PT_GW_Close", "n", "gwId", [](V v, O) { return PT_GW_Close(v.U(0)); }},
    {"PT_GW_RcvMsg", "n", "gwId", RcvMsg},
    {"PT_GW_SndMsg", "ns", "gwId frame", [](V v, O) { return PT_GW_SndMsg(v.U(0), v.B(1)); },
     FrameFits},
    {"PT_GW_RcvReady", "n", "gwId", [](V v, O) { return PT_GW_RcvReady(v.U(0)); }},
    {"PT_GW_RcvAddr", "", "", [](V, O) { return PT_GW_RcvAddr(); }},
    {"PT_GW_RcvPort", "", "", [](V, O) { return PT_GW_RcvPort(); }},
    {"PT_GW_RcvData", "n", "gwId", [](V v, O) { return PT_GW_RcvData(v.U(0)); }},
    {"PT_GW_RcvTagNode", "", "", [](V, O) { return PT_GW_RcvTagNode(); }},
    {"PT_GW_RcvTagCmd", "", "", [](V, O) { return PT_GW_RcvTagCmd(); }},
    {"PT_GW_RcvTagData", "", "", RcvTagData},
    {"PT_GW_Status", "n", "gwId", [](V v, O) { return PT_GW_Status(v.U(0)); }},
    {"PT_GW_TagDiag", "nn", "gwId portSel", [](V v, O) { return PT_GW_TagDiag(v.U(0), v.I(1)); }},
    {"PT_GW_SetDefault", "n", "gwId", [](V v, O) { return PT_GW_SetDefault(v.U(0)); }},
    {"PT_GW_GetDefault", "", "", [](V, O) { return PT_GW_GetDefault(); }},
    {"PT_LB_DspNum", "tnnn", "tagAddr number extraByte dspMode",
     [](V v, O) { return PT_LB_DspNum(v.U(0), v.I(1), v.U(2), v.I(3)); }},
    {"PT_LB_DspStr", "tsnn", "tagAddr text extraByte dspMode",
     [](V v, O) { return PT_LB_DspStr(v.U(0), v.S(1), v.U(2), v.I(3)); }},
    {"PT_LB_DspAddr", "t", "tagAddr", [](V v, O) { return PT_LB_DspAddr(v.U(0)); }},
    {"PT_LB_LedOn", "tnn", "tagAddr ledType preset",
     [](V v, O) { return PT_LB_LedOn(v.U(0), v.U(1), v.U(2)); }},
    {"PT_LB_BuzOn", "tn", "tagAddr state", [](V v, O) { return PT_LB_BuzOn(v.U(0), v.U(1)); }},
    {"PT_Tag_Reset", "t", "tagAddr", [](V v, O) { return PT_Tag_Reset(v.U(0)); }},
    {"PT_GW_SetPollRang", "nnn", "gwId port pollRange",
     [](V v, O) { return PT_GW_SetPollRang(v.U(0), v.I(1), v.U(2)); }},
    {"PT_LB_SetMode", "tn", "tagAddr mode", [](V v, O) { return PT_LB_SetMode(v.U(0), v.U(1)); }},
    {"PT_LB_Simulate", "tn", "tagAddr flag", [](V v, O) { return PT_LB_Simulate(v.U(0), v.U(1)); }},
    {"PT_LB_SetLock", "tnn", "tagAddr lock lockBits",
     [](V v, O) { return PT_LB_SetLock(v.U(0), v.U(1), v.U(2)); }},
    {"PT_CCD_Rescan", "t", "tagAddr", [](V v, O) { return PT_CCD_Rescan(v.U(0)); }},
    {"PT_GW_Cnt", "", "", [](V, O) { return PT_GW_Cnt(); }},
    {"PT_GW_Conf", "n", "index", Conf},
    {"PT_GW_AllStatus", "", "", AllStatus},
    {"PT_Tag_ChgAddr", "tn", "tagAddr newNode",
     [](V v, O) { return PT_Tag_ChgAddr(v.U(0), v.U(1)); }},
    {"PT_LB_DspStr2", "tsn", "tagAddr text dspMode",
     [](V v, O) { return PT_LB_DspStr2(v.U(0), v.S(1), v.I(2)); }},
    {"PT_DCS_InputMode", "tn", "tagAddr mode",
     [](V v, O) { return PT_DCS_InputMode(v.U(0), v.U(1)); }},
    {"PT_DCS_BufSize", "tn", "tagAddr bufSize",
     [](V v, O) { return PT_DCS_BufSize(v.U(0), v.U(1)); }},
    {"PT_DCS_SetConf", "tnn", "tagAddr maskA maskB",
     [](V v, O) { return PT_DCS_SetConf(v.U(0), v.U(1), v.U(2)); }},
    {"PT_DCS_ReqConf", "t", "tagAddr", [](V v, O) { return PT_DCS_ReqConf(v.U(0)); }},
    {"PT_DCS_GetVer", "t", "tagAddr", [](V v, O) { return PT_DCS_GetVer(v.U(0)); }},
    {"PT_DCS_Reset", "t", "tagAddr", [](V v, O) { return PT_DCS_Reset(v.U(0)); }},
    {"PT_DCS_SetRows", "tn", "tagAddr rows", [](V v, O) { return PT_DCS_SetRows(v.U(0), v.U(1)); }},
    {"PT_DCS_SimulateKey", "tn", "tagAddr keyCode",
     [](V v, O) { return PT_DCS_SimulateKey(v.U(0), v.U(1)); }},
    {"PT_DCS_Cls", "t", "tagAddr", [](V v, O) { return PT_DCS_Cls(v.U(0)); }},
    {"PT_DCS_Buzzer", "tnn", "tagAddr param1 param2",
     [](V v, O) { return PT_DCS_Buzzer(v.U(0), v.U(1), v.U(2)); }},
    {"PT_DCS_ScrollUp", "tn", "tagAddr param",
     [](V v, O) { return PT_DCS_ScrollUp(v.U(0), v.U(1)); }},
    {"PT_DCS_ScrollDown", "tn", "tagAddr param",
     [](V v, O) { return PT_DCS_ScrollDown(v.U(0), v.U(1)); }},
    {"PT_DCS_DspStrE", "tsn", "tagAddr text length",
     [](V v, O) { return PT_DCS_DspStrE(v.U(0), v.S(1), v.I(2)); }, TextCount},
    {"PT_DCS_DspStrC", "tsn", "tagAddr text length",
     [](V v, O) { return PT_DCS_DspStrC(v.U(0), v.S(1), v.I(2)); }, TextCount},
    {"PT_CNV_SendData", "tsn", "tagAddr data length",
     [](V v, O) { return PT_CNV_SendData(v.U(0), v.B(1), v.I(2)); }, TextCount},
    {"PT_CNV_SetTerminator", "tn", "tagAddr terminator",
     [](V v, O) { return PT_CNV_SetTerminator(v.U(0), v.U(1)); }},
    {"PT_LB2_DspStr", "tsn", "tagAddr text dspMode",
     [](V v, O) { return PT_LB2_DspStr(v.U(0), v.S(1), v.I(2)); }},
    {"PT_LB2_SetRows", "tn", "tagAddr rows", [](V v, O) { return PT_LB2_SetRows(v.U(0), v.I(1)); }},
    {"PT_LB2_Download", "tns", "tagAddr leadByte text",
     [](V v, O) { return PT_LB2_Download(v.U(0), v.U(1), v.S(2)); }},
    {"PT_DT2_DspStr", "tsn", "tagAddr text length",
     [](V v, O) { return PT_DT2_DspStr(v.U(0), v.S(1), v.I(2)); }, TextCount},
    {"PT_DT2_EnableCounter", "t", "tagAddr", [](V v, O) { return PT_DT2_EnableCounter(v.U(0)); }},
    {"PT_DT2_DisableCounter", "t", "tagAddr", [](V v, O) { return PT_DT2_DisableCounter(v.U(0)); }},
    {"PT_DT2_ReadCounter", "t", "tagAddr", [](V v, O) { return PT_DT2_ReadCounter(v.U(0)); }},
    {"PT_DT2_SetCounter", "tn", "tagAddr value",
     [](V v, O) { return PT_DT2_SetCounter(v.U(0), v.U(1)); }},
    {"PT_DIO_ReadIoStatus", "t", "tagAddr", [](V v, O) { return PT_DIO_ReadIoStatus(v.U(0)); }},
    {"PT_DIO_SetDO", "tnn", "tagAddr channel value",
     [](V v, O) { return PT_DIO_SetDO(v.U(0), v.I(1), v.U(2)); }},
    {"PT_DIO_SetDiRspMode", "tn", "tagAddr rspMode",
     [](V v, O) { return PT_DIO_SetDiRspMode(v.U(0), v.U(1)); }},
    {"PT_DCS_ScrollHome", "t", "tagAddr", [](V v, O) { return PT_DCS_ScrollHome(v.U(0)); }},
    {"PT_DCS_ScrollEnd", "t", "tagAddr", [](V v, O) { return PT_DCS_ScrollEnd(v.U(0)); }},
    {"PT_DCS_SetCursor", "tnn", "tagAddr row column",
     [](V v, O) { return PT_DCS_SetCursor(v.U(0), v.U(1), v.U(2)); }},
    {"PT_LB_DspOff", "t", "tagAddr", [](V v, O) { return PT_LB_DspOff(v.U(0)); }},
    {"PT_Tag_RcvMsg", "tn", "tagAddr command", TagRcvMsg},
    {"PT_GW_Ndx2ID", "n", "index", [](V v, O) { return PT_GW_Ndx2ID(v.U(0)); }},
    {"PT_GW_ID2Ndx", "n", "gwId", [](V v, O) { return PT_GW_ID2Ndx(v.U(0)); }},
    {"PT_KBN_Clear", "t", "tagAddr", [](V v, O) { return PT_KBN_Clear(v.U(0)); }},
    {"PT_KBN_DspMsg", "tsnn", "tagAddr text msgParam option",
     [](V v, O) { return PT_KBN_DspMsg(v.U(0), v.S(1), v.I(2), v.I(3)); }},
    {"PT_KBN_SegDownload", "tnsnn", "tagAddr segment text msgParam option",
     [](V v, O) { return PT_KBN_SegDownload(v.U(0), v.I(1), v.S(2), v.I(3), v.I(4)); }},
    {"PT_KBN_SegDel", "tn", "tagAddr segment",
     [](V v, O) { return PT_KBN_SegDel(v.U(0), v.I(1)); }},
    {"PT_KBN_SegDsp", "tln", "tagAddr segments count",
     [](V v, O) { return PT_KBN_SegDsp(v.U(0), v.B(1), v.I(2)); }, TextCount},
    {"PT_GW_InsConf", "nsn", "gwId ipAddr port",
     [](V v, O) { return PT_GW_InsConf(v.U(0), v.S(1), v.U(2)); }},
    {"PT_GW_UpdConf", "nsn", "gwId ipAddr port",
     [](V v, O) { return PT_GW_UpdConf(v.U(0), v.S(1), v.U(2)); }},
    {"PT_GW_DelConf", "n", "gwId", [](V v, O) { return PT_GW_DelConf(v.U(0)); }},
    {"PT_DT2_Buzzer", "tnn", "tagAddr param1 param2",
     [](V v, O) { return PT_DT2_Buzzer(v.U(0), v.U(1), v.U(2)); }},
    {"PT_DT2_AutoReport", "tn", "tagAddr enable",
     [](V v, O) { return PT_DT2_AutoReport(v.U(0), v.U(1)); }},
    {"PT_DT2_FunKeyConfig", "tn", "tagAddr param",
     [](V v, O) { return PT_DT2_FunKeyConfig(v.U(0), v.U(1)); }},
    {"PT_DT2_Terminator", "tn", "tagAddr terminator",
     [](V v, O) { return PT_DT2_Terminator(v.U(0), v.U(1)); }},
};

bool ReadOne(char kind, const std::string &word, Values &values) {
  uint32_t number = 0;
  switch (kind) {
    case 't':
      if (!ParseTag(word, number)) return false;
      values.Add(number, {});
      return true;
    case 'n':
      if (!ParseNumber(word, number)) return false;
      values.Add(number, {});
      return true;
    case 'l': {
      std::vector<uint8_t> bytes;
      if (!ParseByteList(word, bytes)) return false;
      values.Add(0, std::string(bytes.begin(), bytes.end()));
      return true;
    }
    default:
      values.Add(0, Unescape(word));
      return true;
  }
}

const char *KindName(char kind) {
  switch (kind) {
    case 't':
      return "a tag address (gw:port:node, e.g. 1:1:5)";
    case 'n':
      return "a number";
    case 'l':
      return "a list of bytes (e.g. 1,2,31)";
    default:
      return "a text";
  }
}

}  // namespace

const std::vector<Function> &Functions() {
  return kFunctions;
}

const Function *FindFunction(const std::string &name) {
  for (const Function &f : kFunctions) {
    if (name == f.name) return &f;
  }
  return nullptr;
}

bool ReadArguments(const Function &function, const std::vector<std::string> &words, Values &values,
                   std::string &error) {
  const std::string kinds = function.kinds;
  if (words.size() != kinds.size()) {
    error = std::string(function.name) + " takes " + std::to_string(kinds.size()) +
            " argument(s): " + (kinds.empty() ? "none" : function.argNames);
    return false;
  }
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (!ReadOne(kinds[i], words[i], values)) {
      error = "argument " + std::to_string(i + 1) + " of " + function.name + " ('" + words[i] +
              "') must be " + KindName(kinds[i]);
      return false;
    }
  }
  if (function.check && !function.check(values, error)) {
    error = std::string(function.name) + ": " + error;
    return false;
  }
  return true;
}

std::string Meaning(const std::string &name, int32_t result) {
  return roviro2_result_text(name.c_str(), result);
}

bool IsFailure(const std::string &name, int32_t result) {
  if (name == "PT_GW_Status") return result != ROVIRO2_CONNECTED && result != ROVIRO2_CONNECTING;
  return result < 0;
}

}  // namespace cli
