// The tray icon's structure sizes and the bounded copies into its text members.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "bridge/tray_icon.h"

namespace {

TEST(TrayStructure, SizeFollowsTheShellVersionAndThisBuildsLayout) {
  EXPECT_EQ(tray::StructureSize(0x000A0000), sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(tray::StructureSize(0x00060000), sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(tray::StructureSize(0x00050001), NOTIFYICONDATAW_V3_SIZE);
  EXPECT_EQ(tray::StructureSize(0x00050000), NOTIFYICONDATAW_V1_SIZE);
  if (sizeof(void*) == 4) {
    // The sizes a 32-bit program hands the shell.
    EXPECT_EQ(tray::StructureSize(0x00060001), 956u);
    EXPECT_EQ(tray::StructureSize(0x00050001), 952u);
    EXPECT_EQ(tray::StructureSize(0x00040000), 152u);
  } else {
    EXPECT_GT(tray::StructureSize(0x00060001), 956u);
  }
}

TEST(TrayText, CopiesAreCutToTheMemberAndAlwaysEnd) {
  NOTIFYICONDATAW data{};
  std::fill(std::begin(data.szTip), std::end(data.szTip), L'#');
  tray::CopyBounded(data.szTip, tray::kTipUnits, std::wstring(500, L'a'));
  EXPECT_EQ(std::wstring(data.szTip), std::wstring(127, L'a'));

  tray::CopyBounded(data.szInfoTitle, tray::kInfoTitleUnits, L"short title");
  EXPECT_EQ(std::wstring(data.szInfoTitle), L"short title");

  std::fill(std::begin(data.szInfo), std::end(data.szInfo), L'#');
  tray::CopyBounded(data.szInfo, tray::kInfoUnits, std::wstring(255, L'b'));
  EXPECT_EQ(std::wstring(data.szInfo), std::wstring(255, L'b'));

  // A pair of surrogates that would be split at the limit is left out whole.
  std::wstring paired(126, L'c');
  paired += L"\xD83D\xDE00";
  tray::CopyBounded(data.szTip, tray::kTipUnits, paired);
  EXPECT_EQ(std::wstring(data.szTip), std::wstring(126, L'c'));

  tray::CopyBounded(data.szTip, tray::kTipUnits, L"");
  EXPECT_EQ(data.szTip[0], L'\0');
}

}  // namespace
