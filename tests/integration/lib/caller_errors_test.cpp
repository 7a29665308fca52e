// SPDX-License-Identifier: MIT
// Every function called outside PT_API_Open .. PT_API_Close: the table
// functions work, everything else answers 0 or a negative code and nothing
// crashes.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace {

struct NamedCall {
  const char *name;
  int32_t (*call)(const char *kinds);
  const char *kinds;
};

// An argument of each type, by the export table's kind: a tag address of
// gateway 1, gateway ID 1, small counts, short texts, room for every output.
template <typename T>
T Default(char kind);
template <>
uint32_t Default<uint32_t>(char kind) {
  return kind == 't' ? 0x00010105u : 1u;
}
template <>
int32_t Default<int32_t>(char) {
  return 1;
}
template <>
const char *Default<const char *>(char) {
  return "AB";
}
uint8_t buffer[8200];
template <>
const uint8_t *Default<const uint8_t *>(char) {
  return buffer;
}
template <>
uint8_t *Default<uint8_t *>(char) {
  return buffer;
}
template <>
char *Default<char *>(char) {
  return reinterpret_cast<char *>(buffer);
}
template <typename T>
T *Out() {
  static T value{};
  return &value;
}
template <>
uint16_t *Default<uint16_t *>(char) {
  return Out<uint16_t>();
}
template <>
uint32_t *Default<uint32_t *>(char) {
  return Out<uint32_t>();
}
template <>
int32_t *Default<int32_t *>(char) {
  return Out<int32_t>();
}
template <>
int16_t *Default<int16_t *>(char) {
  *Out<int16_t>() = -1;  // PT_Tag_RcvMsg's command: any
  return Out<int16_t>();
}

template <typename F>
struct Caller;
template <typename... A>
struct Caller<int32_t(ROVIRO2_CALL *)(A...)> {
  template <int32_t(ROVIRO2_CALL *F)(A...), std::size_t... I>
  static int32_t Call(const char *kinds, std::index_sequence<I...>) {
    return F(Default<A>(kinds[I])...);
  }
  template <int32_t(ROVIRO2_CALL *F)(A...)>
  static int32_t Call(const char *kinds) {
    return Call<F>(kinds, std::index_sequence_for<A...>{});
  }
};

bool IsTableOrLifecycle(const std::string &name) {
  static const std::set<std::string> kNames = {
      "PT_API_Open",   "PT_API_Close",     "PT_GW_Cnt",        "PT_GW_Conf",
      "PT_GW_Ndx2ID",  "PT_GW_ID2Ndx",     "PT_GW_InsConf",    "PT_GW_UpdConf",
      "PT_GW_DelConf", "PT_GW_SetDefault", "PT_GW_GetDefault", "PT_GW_AllStatus"};
  return kNames.count(name) > 0;
}

// Every export of the export table but the table functions, the lifecycle
// and PT_GW_AllStatus (which answers the count).
std::vector<NamedCall> EveryFunctionButTheTable() {
  const std::vector<NamedCall> all = {
#define ROVIRO2_EXPORT(ordinal, name, kinds, names) \
  {#name, &Caller<decltype(&name)>::Call<&name>, kinds},
#include "../../../src/lib/export_table.inc"
#undef ROVIRO2_EXPORT
  };
  std::vector<NamedCall> calls;
  for (const NamedCall &c : all) {
    if (!IsTableOrLifecycle(c.name)) calls.push_back(c);
  }
  return calls;
}

void ExpectNoneSucceeds() {
  for (const NamedCall &c : EveryFunctionButTheTable()) {
    EXPECT_LE(c.call(c.kinds), 0) << c.name;
  }
}

TEST(CallerErrors, OutsideOpenAndCloseNothingSucceedsButTheTable) {
  PT_API_Close();
  EXPECT_GE(PT_GW_InsConf(1, "127.0.0.1", 1), 0) << "the table works at any time";
  EXPECT_GE(PT_GW_SetDefault(1), 0);
  ExpectNoneSucceeds();
  EXPECT_EQ(PT_GW_Status(1), 0) << "no socket was made";
  uint8_t status[256];
  EXPECT_EQ(PT_GW_AllStatus(status), PT_GW_Cnt());
  EXPECT_EQ(PT_API_Close(), 0);
  ExpectNoneSucceeds();
  EXPECT_GE(PT_GW_DelConf(1), 0);
}

TEST(CallerErrors, AfterCloseNothingSucceedsAndNoSocketIsMade) {
  roviro2_test::FakeGateway gateway;
  roviro2_test::LibrarySession session;
  session.AddGateway(1, gateway.Port());
  ASSERT_TRUE(session.Connect(1));
  ASSERT_EQ(PT_API_Close(), 0);
  ExpectNoneSucceeds();
  EXPECT_EQ(PT_GW_Status(1), 0) << "the socket is released and no new one made";
  EXPECT_EQ(PT_GW_Cnt(), 1) << "the table stays";
}

}  // namespace
