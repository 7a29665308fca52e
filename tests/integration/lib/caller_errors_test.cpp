// SPDX-License-Identifier: MIT
// Every function called outside PT_API_Open .. PT_API_Close: the table
// functions work, everything else answers 0 or a negative code and nothing
// crashes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace {

struct NamedCall {
  const char *name;
  std::function<int32_t()> call;
};

std::vector<NamedCall> EveryFunctionButTheTable() {
  static uint8_t buffer[8200];
  static uint32_t tag = 0;
  static int16_t command = -1, status = 0, length = 0;
  constexpr uint32_t t = 0x00010105;
  const uint8_t frame[8] = {8, 0, 0x60, 0, 0, 0, 0x14, 5};
  return {
      {"PT_GW_Open", [] { return PT_GW_Open(1); }},
      {"PT_GW_Close", [] { return PT_GW_Close(1); }},
      {"PT_GW_Status", [] { return PT_GW_Status(1); }},
      {"PT_GW_SndMsg", [frame] { return PT_GW_SndMsg(1, frame); }},
      {"PT_GW_RcvReady", [] { return PT_GW_RcvReady(0); }},
      {"PT_GW_RcvMsg", [] { return PT_GW_RcvMsg(0, buffer); }},
      {"PT_GW_RcvData", [] { return PT_GW_RcvData(1); }},
      {"PT_GW_RcvAddr", [] { return PT_GW_RcvAddr(); }},
      {"PT_GW_RcvPort", [] { return PT_GW_RcvPort(); }},
      {"PT_GW_RcvTagNode", [] { return PT_GW_RcvTagNode(); }},
      {"PT_GW_RcvTagCmd", [] { return PT_GW_RcvTagCmd(); }},
      {"PT_GW_RcvTagData", [] { return PT_GW_RcvTagData(buffer); }},
      {"PT_Tag_RcvMsg", [] { return PT_Tag_RcvMsg(&tag, &command, &status, buffer, &length); }},
      {"PT_GW_SetPollRang", [] { return PT_GW_SetPollRang(1, 1, 5); }},
      {"PT_GW_TagDiag", [] { return PT_GW_TagDiag(0, 0); }},
      {"PT_Tag_ChgAddr", [] { return PT_Tag_ChgAddr(t, 6); }},
      {"PT_Tag_Reset", [] { return PT_Tag_Reset(t); }},
      {"PT_LB_DspNum", [] { return PT_LB_DspNum(t, 42, 0, 300); }},
      {"PT_LB_DspStr", [] { return PT_LB_DspStr(t, "AB", 0, 0); }},
      {"PT_LB_DspStr2", [] { return PT_LB_DspStr2(t, "AB", 0); }},
      {"PT_LB_DspOff", [] { return PT_LB_DspOff(t); }},
      {"PT_LB_DspAddr", [] { return PT_LB_DspAddr(t); }},
      {"PT_LB_LedOn", [] { return PT_LB_LedOn(t, 1, 5); }},
      {"PT_LB_BuzOn", [] { return PT_LB_BuzOn(t, 1); }},
      {"PT_LB_SetMode", [] { return PT_LB_SetMode(t, 1); }},
      {"PT_LB_Simulate", [] { return PT_LB_Simulate(t, 1); }},
      {"PT_LB_SetLock", [] { return PT_LB_SetLock(t, 1, 3); }},
      {"PT_LB2_DspStr", [] { return PT_LB2_DspStr(t, "AB", 0); }},
      {"PT_LB2_SetRows", [] { return PT_LB2_SetRows(t, 2); }},
      {"PT_LB2_Download", [] { return PT_LB2_Download(t, 1, "AB"); }},
      {"PT_CCD_Rescan", [] { return PT_CCD_Rescan(t); }},
      {"PT_CNV_SendData", [] { return PT_CNV_SendData(t, buffer, 10); }},
      {"PT_CNV_SetTerminator", [] { return PT_CNV_SetTerminator(t, 13); }},
      {"PT_DCS_InputMode", [] { return PT_DCS_InputMode(t, '1'); }},
      {"PT_DCS_BufSize", [] { return PT_DCS_BufSize(t, 10); }},
      {"PT_DCS_SetConf", [] { return PT_DCS_SetConf(t, 1, 2); }},
      {"PT_DCS_ReqConf", [] { return PT_DCS_ReqConf(t); }},
      {"PT_DCS_GetVer", [] { return PT_DCS_GetVer(t); }},
      {"PT_DCS_Reset", [] { return PT_DCS_Reset(t); }},
      {"PT_DCS_SetRows", [] { return PT_DCS_SetRows(t, 4); }},
      {"PT_DCS_SimulateKey", [] { return PT_DCS_SimulateKey(t, 'A'); }},
      {"PT_DCS_Cls", [] { return PT_DCS_Cls(t); }},
      {"PT_DCS_Buzzer", [] { return PT_DCS_Buzzer(t, 1, 2); }},
      {"PT_DCS_ScrollUp", [] { return PT_DCS_ScrollUp(t, 1); }},
      {"PT_DCS_ScrollDown", [] { return PT_DCS_ScrollDown(t, 1); }},
      {"PT_DCS_ScrollHome", [] { return PT_DCS_ScrollHome(t); }},
      {"PT_DCS_ScrollEnd", [] { return PT_DCS_ScrollEnd(t); }},
      {"PT_DCS_SetCursor", [] { return PT_DCS_SetCursor(t, 1, 2); }},
      {"PT_DCS_DspStrE", [] { return PT_DCS_DspStrE(t, "Hi", -1); }},
      {"PT_DCS_DspStrC", [] { return PT_DCS_DspStrC(t, "Hi", -1); }},
      {"PT_DT2_DspStr", [] { return PT_DT2_DspStr(t, "Hi", 2); }},
      {"PT_DT2_EnableCounter", [] { return PT_DT2_EnableCounter(t); }},
      {"PT_DT2_DisableCounter", [] { return PT_DT2_DisableCounter(t); }},
      {"PT_DT2_ReadCounter", [] { return PT_DT2_ReadCounter(t); }},
      {"PT_DT2_SetCounter", [] { return PT_DT2_SetCounter(t, 5); }},
      {"PT_DT2_AutoReport", [] { return PT_DT2_AutoReport(t, 1); }},
      {"PT_DT2_Buzzer", [] { return PT_DT2_Buzzer(t, 1, 2); }},
      {"PT_DT2_FunKeyConfig", [] { return PT_DT2_FunKeyConfig(t, 1); }},
      {"PT_DT2_Terminator", [] { return PT_DT2_Terminator(t, 13); }},
      {"PT_DIO_ReadIoStatus", [] { return PT_DIO_ReadIoStatus(t); }},
      {"PT_DIO_SetDO", [] { return PT_DIO_SetDO(t, 1, 1); }},
      {"PT_DIO_SetDiRspMode", [] { return PT_DIO_SetDiRspMode(t, 1); }},
      {"PT_KBN_Clear", [] { return PT_KBN_Clear(t); }},
      {"PT_KBN_DspMsg", [] { return PT_KBN_DspMsg(t, "Hi", 1, 1); }},
      {"PT_KBN_SegDownload", [] { return PT_KBN_SegDownload(t, 1, "Hi", 1, 1); }},
      {"PT_KBN_SegDel", [] { return PT_KBN_SegDel(t, 1); }},
      {"PT_KBN_SegDsp", [] { return PT_KBN_SegDsp(t, buffer, 3); }},
  };
}

void ExpectNoneSucceeds() {
  for (const NamedCall &c : EveryFunctionButTheTable()) {
    EXPECT_LE(c.call(), 0) << c.name;
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
