// SPDX-License-Identifier: MIT
#include "functions.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <type_traits>
#include <utility>

#include "roviro2.h"
#include "roviro2_ext.h"
#include "values.h"

namespace calls {

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

// How each argument type of an export is taken from the values read. Output
// pointers are never taken from words: the functions that have them are
// called by their own handlers above.
template <typename T>
T Arg(V, std::size_t) {
  static_assert(std::is_pointer_v<T>, "every argument type but an output pointer is taken above");
  return nullptr;
}
template <>
uint32_t Arg<uint32_t>(V v, std::size_t i) {
  return v.U(i);
}
template <>
int32_t Arg<int32_t>(V v, std::size_t i) {
  return v.I(i);
}
template <>
const char *Arg<const char *>(V v, std::size_t i) {
  return v.S(i);
}
template <>
const uint8_t *Arg<const uint8_t *>(V v, std::size_t i) {
  return v.B(i);
}

template <typename F>
struct Signature;
template <typename... A>
struct Signature<int32_t(ROVIRO2_CALL *)(A...)> {
  template <int32_t(ROVIRO2_CALL *F)(A...), std::size_t... I>
  static int32_t Call(V v, std::index_sequence<I...>) {
    return F(Arg<A>(v, I)...);
  }
  template <int32_t(ROVIRO2_CALL *F)(A...)>
  static int32_t Call(V v, O) {
    return Call<F>(v, std::index_sequence_for<A...>{});
  }
};

// The functions whose results go out through pointers, with the arguments
// read for them.
struct Handler {
  const char *name;
  const char *kinds;
  const char *argNames;
  int32_t (*call)(V, O);
};
const Handler kHandlers[] = {
    {"PT_GW_RcvMsg", "n", "gwId", RcvMsg},
    {"PT_GW_RcvTagData", "", "", RcvTagData},
    {"PT_GW_Conf", "n", "index", Conf},
    {"PT_GW_AllStatus", "", "", AllStatus},
    {"PT_Tag_RcvMsg", "tn", "tagAddr command", TagRcvMsg},
};

// The values read for an argument of the export table's kind:
// numbers, texts or lists; none for what the function writes.
char WordKind(char kind) {
  switch (kind) {
    case 't':
    case 'l':
      return kind;
    case 'u':
    case 'i':
    case 'c':
      return 'n';
    case 's':
    case 'b':
    case 'f':
      return 's';
    default:
      return 0;
  }
}

// A function of the export table as its callers call it. Kinds and names are
// kept for the life of the program (the table is built once).
Function FromTable(const char *name, const char *kinds, const char *names, int32_t (*call)(V, O)) {
  for (const Handler &handler : kHandlers) {
    if (std::strcmp(handler.name, name) == 0)
      return {name, handler.kinds, handler.argNames, handler.call};
  }
  static std::vector<std::unique_ptr<std::string>> kept;
  std::string words, argNames;
  std::istringstream nameList(names);
  for (const char *kind = kinds; *kind; ++kind) {
    std::string argName;
    nameList >> argName;
    if (!WordKind(*kind)) continue;
    words += WordKind(*kind);
    argNames += (argNames.empty() ? "" : " ") + argName;
  }
  kept.push_back(std::make_unique<std::string>(words));
  const char *wordKinds = kept.back()->c_str();
  kept.push_back(std::make_unique<std::string>(argNames));
  Function function{name, wordKinds, kept.back()->c_str(), call};
  if (std::strchr(kinds, 'f')) function.check = FrameFits;
  if (std::strchr(kinds, 'c')) function.check = TextCount;
  return function;
}

// Every export, in the order of the ordinals.
const std::vector<Function> kFunctions = {
#define ROVIRO2_EXPORT(ordinal, name, kinds, names, family) \
  FromTable(#name, kinds, names, &Signature<decltype(&name)>::Call<&name>),
#include "export_table.inc"
#undef ROVIRO2_EXPORT
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
  return CheckArguments(function, values, error);
}

bool CheckArguments(const Function &function, const Values &values, std::string &error) {
  if (function.check && !function.check(values, error)) {
    error = std::string(function.name) + ": " + error;
    return false;
  }
  return true;
}

int32_t ReadEntry(uint32_t index, uint16_t &id, std::string &ip, int32_t &port) {
  char room[16] = {};
  const int32_t r = PT_GW_Conf(index, &id, room, &port);
  ip = room;
  return r;
}

std::string Meaning(const std::string &name, int32_t result) {
  return roviro2_result_text(name.c_str(), result);
}

bool IsFailure(const std::string &name, int32_t result) {
  if (name == "PT_GW_Status") return result != ROVIRO2_CONNECTED && result != ROVIRO2_CONNECTING;
  return result < 0;
}

}  // namespace calls
