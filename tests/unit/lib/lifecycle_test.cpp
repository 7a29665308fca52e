// SPDX-License-Identifier: MIT
// PT_API_Open and PT_API_Close: the order of their steps and what they leave.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "link/host_form.h"
#include "link/link_state.h"
#include "link/rcv_queue.h"
#include "registry/gateway_table.h"
#include "roviro2.h"
#include "support/ipindex_dir.h"

namespace roviro2 {
namespace {

class Lifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    PT_API_Close();
    ResetGatewayTableForTesting();
  }
  void TearDown() override {
    PT_API_Close();
    ResetGatewayTableForTesting();
  }
  roviro2_test::IpIndexDir dir_;
};

constexpr const char *kThree = "1 4660 10.0.0.1\r\n2 4661 10.0.0.2\r\n3 4662 10.0.0.3\r\n";

TEST_F(Lifecycle, MissingFileGivesMinusOneAnEmptyTableAndAQueue) {
  EXPECT_EQ(PT_API_Open(), -1);
  EXPECT_EQ(PT_GW_Cnt(), 0);
  ASSERT_NE(LinkPart().RcvQueue, nullptr);
  EXPECT_EQ(PT_GW_InsConf(1, "127.0.0.1", 1), 0);  // still usable
}

// What is not a regular file cannot be opened as IPINDEX: a directory, a
// FIFO without a writer (opening must not wait for one) and a device that
// never ends.
TEST_F(Lifecycle, IpIndexThatIsNoRegularFileCannotBeOpened) {
  const std::string path = dir_.Path() + "/IPINDEX";
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  EXPECT_EQ(PT_API_Open(), -1);
  rmdir(path.c_str());
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(PT_API_Open(), -1);
  unlink(path.c_str());
  ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0);
  EXPECT_EQ(PT_API_Open(), -1);
  unlink(path.c_str());
  EXPECT_EQ(PT_GW_InsConf(1, "127.0.0.1", 1), 0) << "the table is still usable";
}

TEST_F(Lifecycle, OnlyTheFirstMebibyteOfIpIndexIsRead) {
  // Blanks up to 1 MiB, then an entry that lies past it.
  std::string contents = "1 4660 10.0.0.1\r\n";
  contents.resize(1 << 20, ' ');
  dir_.Write(contents + "\r\n2 4661 10.0.0.2\r\n");
  EXPECT_EQ(PT_API_Open(), 1);
}

TEST_F(Lifecycle, EmptyFileGivesZero) {
  dir_.Write("");
  EXPECT_EQ(PT_API_Open(), 0);
  EXPECT_EQ(PT_GW_Cnt(), 0);
}

TEST_F(Lifecycle, LoadedSlotsGetTheReceiveTimeOut) {
  dir_.Write(kThree);
  EXPECT_EQ(PT_API_Open(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_DOUBLE_EQ(RegistryPart().GwTable[i].RcvTimeOut, 0.007) << i;
  EXPECT_DOUBLE_EQ(RegistryPart().GwTable[3].RcvTimeOut, 0.0);
  EXPECT_EQ(PT_GW_GetDefault(), 0);
}

TEST_F(Lifecycle, LoadResetsTheDefaultAndConnectionCounters) {
  dir_.Write(kThree);
  ASSERT_EQ(PT_API_Open(), 3);
  ASSERT_EQ(PT_GW_SetDefault(2), 1);
  RegistryPart().GwTable[0].OpenFlag = 1;
  RegistryPart().GwTable[0].OpenCnt = -1;
  EXPECT_EQ(PT_API_Open(), 3);
  EXPECT_EQ(PT_GW_GetDefault(), 0);
  EXPECT_EQ(RegistryPart().GwTable[0].OpenFlag, 0);
  EXPECT_EQ(RegistryPart().GwTable[0].OpenCnt, 0);
}

TEST_F(Lifecycle, QueueIsReplacedWhenTheFileIsReadAndKeptWhenItIsMissing) {
  dir_.Write(kThree);
  ASSERT_EQ(PT_API_Open(), 3);
  LinkPart().RcvQueue->Push({8, 0, 0x60, 0, 1, 0, 5, 1});
  dir_.Remove();
  EXPECT_EQ(PT_API_Open(), -1);
  EXPECT_EQ(LinkPart().RcvQueue->Count(), 1u);
  EXPECT_EQ(PT_GW_Cnt(), 0);
  dir_.Write(kThree);
  EXPECT_EQ(PT_API_Open(), 3);
  EXPECT_EQ(LinkPart().RcvQueue->Count(), 0u);
}

TEST_F(Lifecycle, MalformedNumberHidesTheWholeFileAndKeepsTheQueue) {
  dir_.Write(kThree);
  ASSERT_EQ(PT_API_Open(), 3);
  LinkPart().RcvQueue->Push({8, 0, 0x60, 0, 1, 0, 5, 1});
  dir_.Write("1 4660 10.0.0.1\r\n2 x4661 10.0.0.2\r\n");
  EXPECT_EQ(PT_API_Open(), -1);
  EXPECT_EQ(PT_GW_Cnt(), 0);
  EXPECT_EQ(PT_GW_ID2Ndx(1), -2);
  EXPECT_EQ(LinkPart().RcvQueue->Count(), 1u);
  EXPECT_EQ(PT_GW_InsConf(9, "127.0.0.1", 1), 0);
}

TEST_F(Lifecycle, EveryOpenCreatesANewHost) {
  dir_.Write(kThree);
  PT_API_Open();
  TForm0 *first = LinkPart().HostForm;
  PT_API_Open();
  EXPECT_NE(LinkPart().HostForm, first);
  PT_API_Close();
}

TEST_F(Lifecycle, CloseAlwaysReturnsZeroAndReleasesTheQueue) {
  EXPECT_EQ(PT_API_Close(), 0);  // before any open
  dir_.Write(kThree);
  ASSERT_EQ(PT_API_Open(), 3);
  EXPECT_EQ(PT_API_Close(), 0);
  EXPECT_EQ(LinkPart().RcvQueue, nullptr);
  EXPECT_EQ(PT_API_Close(), 0);  // twice in a row
  EXPECT_EQ(PT_GW_Cnt(), 3);     // the table keeps the last load
}

TEST_F(Lifecycle, MoreThanTheTableHoldsLoadsTheFirst256) {
  std::string text;
  for (int i = 1; i <= 300; ++i)
    text += std::to_string(i) + " 1 10.0.0.1\r\n";
  dir_.Write(text);
  EXPECT_EQ(PT_API_Open(), 256);
  EXPECT_EQ(PT_GW_Ndx2ID(255), 256);
}

}  // namespace
}  // namespace roviro2
