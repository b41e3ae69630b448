// Loads the checker's resources through USER32, as the program and the shell do.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/check_record.h"
#include "presentation/dialog_texts.h"
#include "presentation/wide_text.h"
#include "resources/resource.h"

namespace {

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HWND createDialog(int id) {
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), GetDesktopWindow(),
                            IgnoreMessages, 0);
}

// Under Wine without an X display no window can be created at all; the dialog checks
// then have nothing to run on.
bool windowsCanBeCreated() {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

struct Control {
  int id;
  const char* className;
};

TEST(Resources, MainDialogIsCreatedHiddenWithEveryControl) {
  if (!windowsCanBeCreated()) GTEST_SKIP() << "no display to create windows on";
  HWND dialog = createDialog(IDD_UPDATE);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog));
  const Control controls[] = {
      {IDCANCEL, "Button"},           {IDC_HEADLINE, "Static"},    {IDC_CURRENT_VERSION, "Static"},
      {IDC_NEW_VERSION, "Static"},    {IDC_DOWNLOAD, "Button"},    {IDC_DOWNLOAD_NOTE, "Static"},
      {IDC_UPGRADE_HEADLINE, "Static"}, {IDC_UPGRADE, "Button"}, {IDC_DONT_REMIND, "Button"},
  };
  for (const Control& control : controls) {
    HWND child = GetDlgItem(dialog, control.id);
    ASSERT_NE(child, nullptr) << control.id;
    char name[32] = {};
    GetClassNameA(child, name, sizeof name);
    EXPECT_STREQ(name, control.className) << control.id;
  }
  char caption[64] = {};
  GetWindowTextA(dialog, caption, sizeof caption);
  EXPECT_STREQ(caption, "Update Available!");
  DestroyWindow(dialog);
}

// The longest record the fields allow: each field full, in the widest letter it plausibly holds
// (versions are digits and dots).
CheckRecord longestRecord(bool userInitiated, bool anythingOnOffer) {
  CheckRecord record{};
  auto fill = [](char* field, std::size_t width, char letter) {
    std::memset(field, letter, width - 1);
    field[width - 1] = '\0';
  };
  fill(record.displayName, sizeof record.displayName, 'W');
  fill(record.softwareLabel, sizeof record.softwareLabel, 'W');
  fill(record.currentVersion, sizeof record.currentVersion, '8');
  fill(record.newVersion, sizeof record.newVersion, '8');
  fill(record.upgradeName, sizeof record.upgradeName, 'W');
  record.userInitiated = userInitiated;
  record.updateAvailable = anythingOnOffer;
  record.upgradeAvailable = anythingOnOffer;
  return record;
}

// Each static's text, as the checker composes it from the longest record (both on offer, and a
// user's check up to date) or as the template has it, word-wrapped in the control's own font as
// the control draws it, fits the control: the dialog font's substitute differs between systems,
// and a line past the bottom or a word past the edge is cut off unseen.
TEST(Resources, MainDialogTextsFitTheirControls) {
  if (!windowsCanBeCreated()) GTEST_SKIP() << "no display to create windows on";
  HWND dialog = createDialog(IDD_UPDATE);
  ASSERT_NE(dialog, nullptr);
  std::vector<std::pair<int, std::string>> texts = {{IDC_DOWNLOAD_NOTE, ""}};  // the template's
  for (bool offered : {true, false}) {
    DialogPlan plan = {};
    planDialog(longestRecord(!offered, offered), offered, plan);
    for (std::size_t i = 0; i < plan.count; ++i) {
      const DialogStep& step = plan.steps[i];
      char name[32] = {};
      GetClassNameA(GetDlgItem(dialog, step.controlId), name, sizeof name);
      if (step.kind == DialogStepKind::kSetText && lstrcmpiA(name, "Static") == 0) {
        texts.emplace_back(step.controlId, step.text);
      }
    }
  }
  ASSERT_EQ(texts.size(), 7u);  // the note; headline, versions and upgrade headline; the up-to-date headline
  for (const auto& [id, text] : texts) {
    HWND control = GetDlgItem(dialog, id);
    if (!text.empty()) SetWindowTextW(control, widenLatin1(text.c_str()).text);
    wchar_t shown[256] = {};
    GetWindowTextW(control, shown, 256);
    RECT client = {};
    GetClientRect(control, &client);
    RECT needed = client;
    HDC dc = GetDC(control);
    HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    DrawTextW(dc, shown, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(dc, font);
    ReleaseDC(control, dc);
    EXPECT_LE(needed.bottom, client.bottom) << id << " \"" << text << "\" needs " << needed.bottom << " px down";
    EXPECT_LE(needed.right, client.right) << id << " \"" << text << "\" needs " << needed.right << " px across";
  }
  DestroyWindow(dialog);
}

TEST(Resources, AboutBoxShowsTheLogoBitmap) {
  if (!windowsCanBeCreated()) GTEST_SKIP() << "no display to create windows on";
  HWND dialog = createDialog(IDD_ABOUTBOX);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog));
  HWND logo = GetWindow(dialog, GW_CHILD);  // the first control
  ASSERT_NE(logo, nullptr);
  EXPECT_NE(SendMessageW(logo, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  EXPECT_NE(GetDlgItem(dialog, IDOK), nullptr);
  DestroyWindow(dialog);
}

TEST(Resources, AcceleratorsAreAltCharacterKeysForAbout) {
  HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINACCEL));
  ASSERT_NE(table, nullptr);
  ACCEL entries[4] = {};
  ASSERT_EQ(CopyAcceleratorTableW(table, entries, 4), 2);
  const WORD keys[] = {'?', '/'};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(entries[i].fVirt & ~FNOINVERT, FALT) << i;
    EXPECT_EQ(entries[i].key, keys[i]);
    EXPECT_EQ(entries[i].cmd, IDM_ABOUT);
  }
}

TEST(Resources, MenuHasFileAndHelp) {
  HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINACCEL));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), 0), static_cast<UINT>(IDM_EXIT));
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 1), 0), static_cast<UINT>(IDM_ABOUT));
  DestroyMenu(menu);
}

TEST(Resources, IconAndBitmapLoadAtTheirSizes) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  for (int size : {256, 48, 16}) {
    HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(IDI_APPICON), IMAGE_ICON, size, size, 0);
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
    BITMAP colour = {};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(static_cast<HICON>(icon));
  }
  HBITMAP logo = LoadBitmapW(module, MAKEINTRESOURCEW(IDB_ABOUT_LOGO));
  ASSERT_NE(logo, nullptr);
  BITMAP bits = {};
  GetObjectW(logo, sizeof bits, &bits);
  EXPECT_EQ(bits.bmWidth, 64);
  EXPECT_EQ(bits.bmHeight, 64);
  DeleteObject(logo);
}

}  // namespace
