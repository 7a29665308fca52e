// SPDX-License-Identifier: MIT
// What the results of each function mean, in a few words for people: the
// sender's codes, which every command passes on, the codes of a command's
// own argument checks, which share the sender's values, and the results of
// the other functions.
#include "lib/result_texts.h"

#include <cstring>

#include "roviro2.h"

namespace roviro2 {

namespace {

struct Meaning {
  const char *function;  // null: the sender's code, for every function that sends
  int32_t result;
  const char *text;
};

// Searched in order: a function's own meaning of a code comes before the
// sender's.
constexpr Meaning kMeanings[] = {
    {"PT_LB_DspNum", -2, "number outside -99999..999999, or gateway never opened"},
    {"PT_LB2_SetRows", -2, "rows outside 1..12, or gateway never opened"},
    {"PT_LB_LedOn", -4, "ledType above 2, or the send failed"},
    {"PT_LB_BuzOn", -5, "state above 1"},
    {"PT_LB_SetLock", -6, "lock above 2"},
    {"PT_DCS_InputMode", -4, "mode outside '0'..'4', or the send failed"},
    {"PT_DCS_SetRows", -4, "rows outside 4..8, or the send failed"},
    {"PT_GW_TagDiag", -1, "gateway ID not in the table, or the last send's -1"},
    {"PT_API_Open", -1, "no readable IPINDEX in the current directory"},
    {"PT_GW_Open", ROVIRO2_CONNECTING, "connecting (or already connected)"},
    {"PT_GW_Open", 0, "no gateways"},
    {"PT_GW_Open", -1, "gateway ID not in the table"},
    {"PT_GW_Open", ROVIRO2_CANNOT_START, "connection attempt could not start"},
    {"PT_GW_Close", 0, "closed"},
    {"PT_GW_Close", -1, "gateway ID not in the table"},
    {"PT_GW_Status", ROVIRO2_CONNECTED, "connected"},
    {"PT_GW_Status", ROVIRO2_CONNECTING, "connecting"},
    {"PT_GW_Status", ROVIRO2_NOT_CONNECTED, "not connected, not wanted"},
    {"PT_GW_Status", -1, "gateway ID 0 or not in the table"},
    {"PT_GW_Status", ROVIRO2_CANNOT_START, "connection attempt could not start"},
    {"PT_GW_InsConf", -1, "table full"},
    {"PT_GW_InsConf", -2, "ID already present"},
    {"PT_GW_InsConf", -3, "address and port already present"},
    {"PT_GW_ID2Ndx", -1, "ID 0"},
    {"PT_GW_ID2Ndx", -2, "ID not in the table"},
    {"PT_GW_Conf", 1, "entry read"},
    {"PT_GW_Conf", -1, "no entry at that index"},
    {"PT_GW_Ndx2ID", 0, "deleted entry"},
    {"PT_GW_Ndx2ID", -1, "no entry at that index"},
    {"PT_GW_UpdConf", -1, "ID 0 or not in the table"},
    {"PT_GW_DelConf", -1, "ID 0 or not in the table"},
    {"PT_GW_SetDefault", -1, "ID 0 or not in the table; the default is unchanged"},
    {"PT_Tag_RcvMsg", ROVIRO2_FRAME_TAKEN, "frame received"},
    {"PT_Tag_RcvMsg", ROVIRO2_NO_FRAME, "no matching frame"},
    {"PT_Tag_RcvMsg", ROVIRO2_DAMAGED_FRAME, "damaged frame dropped; ask again"},
    {nullptr, ROVIRO2_SENT, "sent"},
    {nullptr, ROVIRO2_NO_GATEWAY, "gateway ID 0, or not in the gateway table"},
    {nullptr, ROVIRO2_NEVER_OPENED, "gateway never opened (PT_GW_Open)"},
    {nullptr, ROVIRO2_NOT_UP, "connection to the gateway not up"},
    {nullptr, ROVIRO2_SEND_FAILED,
     "refused: bad length or data, or the connection failed or is full"},
};

bool StartsWith(const char *name, const char *prefix) {
  return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

bool SendsFrames(const char *name) {
  static const char *const kPrefixes[] = {"PT_LB",
                                          "PT_DCS",
                                          "PT_DT2",
                                          "PT_DIO",
                                          "PT_KBN",
                                          "PT_CCD",
                                          "PT_CNV",
                                          "PT_Tag_ChgAddr",
                                          "PT_Tag_Reset",
                                          "PT_GW_SndMsg",
                                          "PT_GW_SetPollRang",
                                          "PT_GW_TagDiag"};
  for (const char *prefix : kPrefixes) {
    if (StartsWith(name, prefix)) return true;
  }
  return false;
}

}  // namespace

const char *ResultText(const char *function, int32_t result) {
  if (!function) function = "";
  const bool sends = SendsFrames(function);
  for (const Meaning &meaning : kMeanings) {
    if (meaning.result != result) continue;
    if (meaning.function ? std::strcmp(meaning.function, function) == 0 : sends)
      return meaning.text;
  }
  if (StartsWith(function, "PT_GW_Rcv") && result == -1) return "gateway ID not in the table";
  if (result == -1) return "refused";
  return result < 0 ? "failed" : "ok";
}

}  // namespace roviro2
