// SPDX-License-Identifier: MIT
// Reading rules of the IPINDEX gateway list.
#include "registry/ipindex.h"

#include <gtest/gtest.h>

#include <string>

namespace roviro2 {
namespace {

IpIndexResult Read(const std::string &text, std::size_t maxEntries = 256) {
  return ReadIpIndex(reinterpret_cast<const uint8_t *>(text.data()), text.size(), maxEntries);
}

void ExpectEntry(const IpIndexEntry &e, uint16_t id, uint16_t port, const std::string &ip) {
  EXPECT_EQ(e.id, id);
  EXPECT_EQ(e.port, port);
  EXPECT_EQ(e.ip, ip);
}

TEST(IpIndexLines, ZeroIdIsDroppedAndAddressesAreTrimmed) {
  const IpIndexResult r = Read("1 4660 10.0.0.1\r\n0 4660 10.0.0.2\r\n3 4660   10.0.0.3  \r\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.entries.size(), 2u);
  ExpectEntry(r.entries[0], 1, 4660, "10.0.0.1");
  ExpectEntry(r.entries[1], 3, 4660, "10.0.0.3");
}

TEST(IpIndexLines, TrailingEmptyLinesAndBlankLinesAreSkipped) {
  const IpIndexResult r = Read("\r\n  \r\n1 10 a\r\n\r\n\r\n\r\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.entries.size(), 1u);
  ExpectEntry(r.entries[0], 1, 10, "a");
}

TEST(IpIndexLines, LastLineWithoutLineEndIsRead) {
  const IpIndexResult r = Read("1 10 10.0.0.1\r\n2 20 10.0.0.2");
  ASSERT_EQ(r.entries.size(), 2u);
  ExpectEntry(r.entries[1], 2, 20, "10.0.0.2");
}

TEST(IpIndexLines, LineFeedAloneEndsALineAsCrLfAndCrDo) {
  for (const char *text :
       {"1 10 10.0.0.1\n2 20 10.0.0.2\n", "1 10 10.0.0.1\r2 20 10.0.0.2\r",
        "1 10 10.0.0.1\r\n2 20 10.0.0.2", "1 10 10.0.0.1\n\r\n2 20 10.0.0.2\n"}) {
    const IpIndexResult r = Read(text);
    ASSERT_TRUE(r.ok) << text;
    ASSERT_EQ(r.entries.size(), 2u) << text;
    ExpectEntry(r.entries[0], 1, 10, "10.0.0.1");
    ExpectEntry(r.entries[1], 2, 20, "10.0.0.2");
  }
}

TEST(IpIndexLines, AddressIsTheRestOfTheLineThePortEndsOn) {
  // Numbers skip line ends: the port on its own line leaves an empty address,
  // and the next line is the next entry.
  const IpIndexResult r = Read("1\r\n4660\r\n2 5 b\r\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.entries.size(), 2u);
  ExpectEntry(r.entries[0], 1, 4660, "");
  ExpectEntry(r.entries[1], 2, 5, "b");
}

TEST(IpIndexLines, IdAndPortOnOneLineThenAddressOnTheNext) {
  const IpIndexResult r = Read("1\r\n4660 10.0.0.9\r\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.entries.size(), 1u);
  ExpectEntry(r.entries[0], 1, 4660, "10.0.0.9");
}

TEST(IpIndexLines, EntryWithoutAddressHasAnEmptyAddress) {
  const IpIndexResult r = Read("5 99\r\n");
  ASSERT_EQ(r.entries.size(), 1u);
  ExpectEntry(r.entries[0], 5, 99, "");
}

TEST(IpIndexLines, DuplicatesAreAllKeptInFileOrder) {
  const IpIndexResult r = Read("5 1 a\r\n5 1 a\r\n");
  ASSERT_EQ(r.entries.size(), 2u);
}

TEST(IpIndexEndMark, SubstituteCharacterEndsTheFile) {
  const IpIndexResult r = Read(
      "1 10 10.0.0.1\r\n2 20 10.0.\x1A"
      "0.2\r\n3 30 x\r\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.entries.size(), 2u);
  ExpectEntry(r.entries[1], 2, 20, "10.0.");
}

TEST(IpIndexEndMark, SubstituteCharacterIsNotABlank) {
  EXPECT_TRUE(Read("\x1A"
                   "1 10 a\r\n")
                  .entries.empty());
  const std::string withNul(
      "1\0"
      "10 a\r\n",
      7);  // NUL is a blank
  ASSERT_EQ(Read(withNul).entries.size(), 1u);
  EXPECT_EQ(Read(withNul).entries[0].port, 10);
}

TEST(IpIndexNumbers, SignsAndHexAreAccepted) {
  const IpIndexResult r = Read("+7 $1234 a\r\n$fFfF -1 b\r\n-65535 $0001 c\r\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.entries.size(), 3u);
  ExpectEntry(r.entries[0], 7, 0x1234, "a");
  ExpectEntry(r.entries[1], 0xFFFF, 0xFFFF, "b");
  ExpectEntry(r.entries[2], 1, 1, "c");
}

TEST(IpIndexNumbers, OnlyTheLowSixteenBitsAreKept) {
  const IpIndexResult r = Read("65537 70000 a\r\n65536 1 b\r\n$FFFFFFFF 2147483647 c\r\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.entries.size(), 2u);  // 65536 is ID 0: dropped
  ExpectEntry(r.entries[0], 1, 70000 & 0xFFFF, "a");
  ExpectEntry(r.entries[1], 0xFFFF, 0xFFFF, "c");
}

TEST(IpIndexNumbers, SignedRangeLimitsAreExact) {
  EXPECT_TRUE(Read("-2147483648 1 a\r\n").ok);
  EXPECT_FALSE(Read("-2147483649 1 a\r\n").ok);
  EXPECT_TRUE(Read("2147483647 1 a\r\n").ok);
  EXPECT_FALSE(Read("2147483648 1 a\r\n").ok);
  EXPECT_TRUE(Read("$000000001 1 a\r\n").ok);
  EXPECT_FALSE(Read("$100000000 1 a\r\n").ok);
}

TEST(IpIndexNumbers, MalformedNumbersFailTheWholeRead) {
  for (const char *bad : {"x 1 a\r\n", "1 port a\r\n", "- 1 a\r\n", "$ 1 a\r\n", "+$1 1 a\r\n",
                          "$G 1 a\r\n", "1.5 1 a\r\n", "1 2,3 a\r\n"}) {
    const IpIndexResult r = Read(std::string("9 9 ok\r\n") + bad);
    EXPECT_FALSE(r.ok) << bad;
    EXPECT_TRUE(r.entries.empty()) << bad;
    EXPECT_EQ(r.errorLine, 2u) << bad;
  }
}

TEST(IpIndexNumbers, ANumberIsAtMostThirtyTwoCharacters) {
  // 33 digits: the first 32 form a number that does not fit.
  EXPECT_FALSE(Read(std::string(33, '1') + " 1 a\r\n").ok);
  // 32 zeros then "5": ID 0 and port 5, the rest of the line is the address.
  const IpIndexResult r = Read(std::string(32, '0') + "5 a\r\n");
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.entries.empty());
}

TEST(IpIndexLimit, EntriesAfterTheLimitAreDropped) {
  std::string text;
  for (int i = 1; i <= 257; ++i)
    text += std::to_string(i) + " 1 10.0.0.1\r\n";
  const IpIndexResult r = Read(text);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.entries.size(), 256u);
  EXPECT_EQ(r.entries.back().id, 256);
  EXPECT_FALSE(Read(text + "bad 1 a\r\n").ok);  // later lines are still checked
}

TEST(IpIndexLimit, EmptyInputHasNoEntries) {
  const IpIndexResult r = Read("");
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.entries.empty());
}

}  // namespace
}  // namespace roviro2
