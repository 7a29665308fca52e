// SPDX-License-Identifier: MIT
// What the results of each function mean, for people.
#include <map>
#include <string>

#include "functions.h"

namespace cli {

namespace {

using Codes = std::map<int32_t, const char *>;

const Codes kSender = {
    {0, "sent"},
    {-1, "gateway ID 0, or not in the gateway table"},
    {-2, "gateway never opened (PT_GW_Open)"},
    {-3, "connection to the gateway not up"},
    {-4, "refused: bad length or data, or the connection failed or is full"},
};

// Codes of a function's own argument checks, which share the sender's values.
const std::map<std::string, Codes> kOwn = {
    {"PT_LB_DspNum", {{-2, "number outside -99999..999999, or gateway never opened"}}},
    {"PT_LB2_SetRows", {{-2, "rows outside 1..12, or gateway never opened"}}},
    {"PT_LB_LedOn", {{-4, "ledType above 2, or the send failed"}}},
    {"PT_LB_BuzOn", {{-5, "state above 1"}}},
    {"PT_LB_SetLock", {{-6, "lock above 2"}}},
    {"PT_DCS_InputMode", {{-4, "mode outside '0'..'4', or the send failed"}}},
    {"PT_DCS_SetRows", {{-4, "rows outside 4..8, or the send failed"}}},
    {"PT_GW_TagDiag", {{-1, "gateway ID not in the table, or the last send's -1"}}},
};

const std::map<std::string, Codes> kOthers = {
    {"PT_API_Open", {{-1, "no readable IPINDEX in the current directory"}}},
    {"PT_GW_Open",
     {{6, "connecting (or already connected)"},
      {0, "no gateways"},
      {-1, "gateway ID not in the table"},
      {-2, "connection attempt could not start"}}},
    {"PT_GW_Close", {{0, "closed"}, {-1, "gateway ID not in the table"}}},
    {"PT_GW_Status",
     {{7, "connected"},
      {6, "connecting"},
      {0, "not connected, not wanted"},
      {-1, "gateway ID 0 or not in the table"},
      {-2, "connection attempt could not start"}}},
    {"PT_GW_InsConf",
     {{-1, "table full"}, {-2, "ID already present"}, {-3, "address and port already present"}}},
    {"PT_GW_ID2Ndx", {{-1, "ID 0"}, {-2, "ID not in the table"}}},
    {"PT_GW_Conf", {{1, "entry read"}, {-1, "no entry at that index"}}},
    {"PT_GW_Ndx2ID", {{0, "deleted entry"}, {-1, "no entry at that index"}}},
    {"PT_GW_UpdConf", {{-1, "ID 0 or not in the table"}}},
    {"PT_GW_DelConf", {{-1, "ID 0 or not in the table"}}},
    {"PT_GW_SetDefault", {{-1, "ID 0 or not in the table; the default is unchanged"}}},
    {"PT_Tag_RcvMsg",
     {{1, "frame received"}, {0, "no matching frame"}, {-2, "damaged frame dropped; ask again"}}},
};

const char *Find(const std::map<std::string, Codes> &table, const std::string &name,
                 int32_t result) {
  const auto codes = table.find(name);
  if (codes == table.end()) return nullptr;
  const auto text = codes->second.find(result);
  return text == codes->second.end() ? nullptr : text->second;
}

bool SendsFrames(const std::string &name) {
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
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

}  // namespace

std::string Meaning(const std::string &name, int32_t result) {
  if (const char *own = Find(kOwn, name, result)) return own;
  if (const char *other = Find(kOthers, name, result)) return other;
  if (SendsFrames(name)) {
    const auto text = kSender.find(result);
    if (text != kSender.end()) return text->second;
  }
  if (name.rfind("PT_GW_Rcv", 0) == 0 && result == -1) return "gateway ID not in the table";
  if (result == -1) return "refused";
  return result < 0 ? "failed" : "ok";
}

bool IsFailure(const std::string &name, int32_t result) {
  if (name == "PT_GW_Status") return result != 7 && result != 6;
  return result < 0;
}

}  // namespace cli
