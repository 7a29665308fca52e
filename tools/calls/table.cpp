// SPDX-License-Identifier: MIT
#include "table.h"

#include <fcntl.h>
#include <unistd.h>

#include "roviro2.h"

namespace calls {

namespace {

// PT_API_Open reads ./IPINDEX: it runs in `folder`, and the current
// directory is restored after it.
bool OpenIn(const std::string &folder, std::string &error) {
  if (folder.empty()) {
    PT_API_Open();
    return true;
  }
  const int here = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (here < 0 || chdir(folder.c_str()) != 0) {
    if (here >= 0) close(here);
    error = "cannot enter the IPINDEX folder '" + folder + "'";
    return false;
  }
  PT_API_Open();
  const bool back = fchdir(here) == 0;
  close(here);
  if (!back) error = "cannot return to the working directory";
  return back;
}

}  // namespace

bool OpenTable(const std::vector<GatewayOption> &gateways, std::string &error,
               const std::string &folder) {
  if (!OpenIn(folder, error)) return false;
  for (const GatewayOption &g : gateways) {
    if (PT_GW_InsConf(g.id, g.ip.c_str(), g.port) < 0) {
      error = "cannot add gateway " + std::to_string(g.id) + " (ID or address already present)";
      return false;
    }
  }
  if (PT_GW_Cnt() == 0) {
    error = "no gateways: write an IPINDEX file here or give --gateway ID=IP:PORT";
    return false;
  }
  return true;
}

}  // namespace calls
