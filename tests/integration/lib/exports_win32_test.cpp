// SPDX-License-Identifier: MIT
// roviro2.dll as a Windows application binds it: every function by name and
// by ordinal, the gaps of the ordinal table empty, and nothing else exported.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "support/export_table.h"

namespace roviro2_test {
namespace {

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibraryA(ROVIRO2_SHARED_LIBRARY);
    ASSERT_NE(library_, nullptr) << "cannot load " << ROVIRO2_SHARED_LIBRARY;
  }
  void TearDown() override {
    if (library_) FreeLibrary(library_);
  }

  // The export directory of the loaded DLL.
  const IMAGE_EXPORT_DIRECTORY &Directory() const {
    const auto *base = reinterpret_cast<const uint8_t *>(library_);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    return *reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + entry.VirtualAddress);
  }

  std::set<std::string> ExportedNames() const {
    const auto *base = reinterpret_cast<const uint8_t *>(library_);
    const IMAGE_EXPORT_DIRECTORY &directory = Directory();
    const auto *names = reinterpret_cast<const DWORD *>(base + directory.AddressOfNames);
    std::set<std::string> result;
    for (DWORD i = 0; i < directory.NumberOfNames; ++i)
      result.insert(reinterpret_cast<const char *>(base + names[i]));
    return result;
  }

  FARPROC ByOrdinal(int ordinal) const {
    return GetProcAddress(library_, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(ordinal)));
  }

  HMODULE library_ = nullptr;
};

TEST_F(Exports, EightyThreeSlotsFromOrdinalOneAndSeventyNineNames) {
  const IMAGE_EXPORT_DIRECTORY &directory = Directory();
  EXPECT_EQ(directory.Base, 1u);
  EXPECT_EQ(directory.NumberOfFunctions, 83u);
  EXPECT_EQ(directory.NumberOfNames, 79u);
  EXPECT_EQ(ExportedNames(), HeaderFunctions(ROVIRO2_SOURCE_DIR))
      << "undecorated names, the header's and no other";
}

TEST_F(Exports, EveryFunctionBindsByNameAndByItsOrdinalAlike) {
  const std::map<std::string, int> ordinals = DefOrdinals(ROVIRO2_SOURCE_DIR);
  ASSERT_EQ(ordinals.size(), 79u);
  for (const auto &[name, ordinal] : ordinals) {
    const FARPROC byName = GetProcAddress(library_, name.c_str());
    EXPECT_NE(byName, nullptr) << name;
    EXPECT_EQ(ByOrdinal(ordinal), byName) << name << " @" << ordinal;
  }
}

TEST_F(Exports, UnassignedOrdinalsAndOtherNamesDoNotBind) {
  for (const int ordinal : {14, 30, 31, 64, 84})
    EXPECT_EQ(ByOrdinal(ordinal), nullptr) << "ordinal " << ordinal;
  for (const char *name : {"roviro2_dispatch", "roviro2_set_notice_handler", "PT_GW_SndMsg@8",
                           "_PT_GW_SndMsg@8", "PT_API_Init"})
    EXPECT_EQ(GetProcAddress(library_, name), nullptr) << name;
}

}  // namespace
}  // namespace roviro2_test
