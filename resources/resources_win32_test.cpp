// Loads the checker's resources through USER32, as the program and the shell do.
#include <windows.h>

#include <gtest/gtest.h>

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

// Each static's text, word-wrapped in its own font as the control draws it, fits the control:
// the dialog font's substitute differs between systems, and a line past the bottom is cut off
// unseen.
TEST(Resources, MainDialogTextsFitTheirControls) {
  if (!windowsCanBeCreated()) GTEST_SKIP() << "no display to create windows on";
  HWND dialog = createDialog(IDD_UPDATE);
  ASSERT_NE(dialog, nullptr);
  for (int id : {IDC_HEADLINE, IDC_CURRENT_VERSION, IDC_NEW_VERSION, IDC_DOWNLOAD_NOTE, IDC_UPGRADE_HEADLINE}) {
    HWND control = GetDlgItem(dialog, id);
    wchar_t text[256] = {};
    GetWindowTextW(control, text, 256);
    RECT client = {};
    GetClientRect(control, &client);
    RECT needed = client;
    HDC dc = GetDC(control);
    HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(dc, font);
    ReleaseDC(control, dc);
    EXPECT_LE(needed.bottom, client.bottom) << id << " needs " << needed.bottom << " px, has " << client.bottom;
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
