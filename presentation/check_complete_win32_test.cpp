#include "presentation/check_complete_win32.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/check_record.h"
#include "presentation/dialog_texts.h"
#include "resources/resource.h"

namespace {

// ---- The main dialog from the checker's own template, created hidden as at start-up. ----

const int kControls[] = {IDCANCEL,        IDC_HEADLINE, IDC_CURRENT_VERSION,
                         IDC_NEW_VERSION, IDC_DOWNLOAD, IDC_DOWNLOAD_NOTE,
                         IDC_UPGRADE_HEADLINE, IDC_UPGRADE, IDC_DONT_REMIND};

// Enough of the dialog procedure for these tests: closing destroys the dialog.
INT_PTR CALLBACK closingProc(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return TRUE;
  }
  return FALSE;
}

HWND createDialog() {
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UPDATE),
                            GetDesktopWindow(), closingProc, 0);
}

std::string textOf(HWND window, int id) {
  char text[256] = {};
  if (id == 0) {
    GetWindowTextA(window, text, sizeof text);
  } else {
    GetDlgItemTextA(window, id, text, sizeof text);
  }
  return text;
}

std::vector<int> visibleControls(HWND window) {
  std::vector<int> visible;
  for (int id : kControls) {
    if (IsWindowVisible(GetDlgItem(window, id))) visible.push_back(id);
  }
  return visible;
}

// ---- Error boxes: a thread timer, served by the box's own modal loop, reads and closes them. ----

struct SeenBox {
  std::string caption;
  std::string text;
  bool owned;
};
std::vector<SeenBox> seenBoxes;

BOOL CALLBACK closeErrorBox(HWND window, LPARAM) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  char caption[64] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (std::strcmp(className, "#32770") != 0 || std::strcmp(caption, kErrorCaption) != 0) {
    return TRUE;
  }
  char text[256] = {};
  GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // the box's message control
  seenBoxes.push_back({caption, text, GetWindow(window, GW_OWNER) != nullptr});
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

void CALLBACK onBoxTimer(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), closeErrorBox, 0);
}

// ---- Replies and skip lists ----

std::string roamingMakerFolder() {
  PWSTR wide = nullptr;
  std::string path;
  if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &wide) == S_OK) {
    char narrow[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    path = std::string(narrow) + "\\Corvane";
  }
  CoTaskMemFree(wide);
  return path;
}

class CheckCompleteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    checkRecord = CheckRecord{};
    copyBounded(checkRecord.displayName, "Echo Box", sizeof checkRecord.displayName);
    copyBounded(checkRecord.softwareLabel, "Studio", sizeof checkRecord.softwareLabel);
    copyBounded(checkRecord.currentVersion, "1.0", sizeof checkRecord.currentVersion);
    seenBoxes.clear();
    removeLists();
    window_ = createDialog();
    ASSERT_NE(window_, nullptr);
    ASSERT_FALSE(IsWindowVisible(window_));
    timer_ = SetTimer(nullptr, 0, 50, onBoxTimer);
  }
  void TearDown() override {
    KillTimer(nullptr, timer_);
    if (IsWindow(window_)) DestroyWindow(window_);
    removeLists();
  }
  static void removeLists() {
    std::string folder = roamingMakerFolder();
    DeleteFileA((folder + "\\SkippedUpdates.txt").c_str());
    DeleteFileA((folder + "\\SkippedUpgrades.txt").c_str());
  }
  static void writeList(const char* fileName, const char* lines) {
    std::string folder = roamingMakerFolder();
    CreateDirectoryA(folder.c_str(), nullptr);
    HANDLE file = CreateFileA((folder + "\\" + fileName).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, lines, static_cast<DWORD>(std::strlen(lines)), &written, nullptr);
    CloseHandle(file);
  }
  static void reply(const char* xml) {
    copyBounded(checkRecord.responseText, xml, sizeof checkRecord.responseText);
  }
  int complete(CheckRecord* record) { return OnCheckComplete(window_, record); }

  HWND window_ = nullptr;
  UINT_PTR timer_ = 0;
};

constexpr char kBothOnOffer[] =
    "<?xml version=\"1.0\"?><reply><Result>0</Result><version>2.0</version>"
    "<installer>https://updates.example/EchoBox.exe</installer>"
    "<upgradeName>Echo Box 2</upgradeName><upgradePage>https://www.example/up</upgradePage>"
    "</reply>";
constexpr char kNothingOnOffer[] = "<reply><Result>0</Result></reply>";

TEST_F(CheckCompleteTest, NullRecordClosesTheDialog) {
  EXPECT_EQ(complete(nullptr), 1);
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(CheckCompleteTest, FailedRequestOnAutomaticCheckClosesSilently) {
  checkRecord.requestResult = -1;
  reply(kBothOnOffer);  // never read when the request failed
  EXPECT_EQ(complete(&checkRecord), 1);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(seenBoxes.empty());
  EXPECT_EQ(checkRecord.newVersion[0], '\0');
}

TEST_F(CheckCompleteTest, FailedRequestOnUserCheckReportsNoConnection) {
  checkRecord.requestResult = -1;
  checkRecord.userInitiated = true;
  EXPECT_EQ(complete(&checkRecord), 1);
  EXPECT_FALSE(IsWindow(window_));
  ASSERT_EQ(seenBoxes.size(), 1u);
  EXPECT_EQ(seenBoxes[0].text,
            "There was an error attempting to connect to the Corvane server. Check your internet "
            "connections, or try again later.");
  EXPECT_FALSE(seenBoxes[0].owned);
}

TEST_F(CheckCompleteTest, UnsupportedProductOnUserCheckIsReported) {
  checkRecord.userInitiated = true;
  reply("<reply><Result>2</Result></reply>");
  EXPECT_EQ(complete(&checkRecord), 1);
  EXPECT_FALSE(IsWindow(window_));
  ASSERT_EQ(seenBoxes.size(), 1u);
  EXPECT_EQ(seenBoxes[0].text,
            "The Corvane server does not currently support checking for updates for this product.");
}

TEST_F(CheckCompleteTest, EmptyReplyOnAutomaticCheckClosesSilently) {
  EXPECT_EQ(complete(&checkRecord), 1);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(seenBoxes.empty());
}

TEST_F(CheckCompleteTest, NothingOnOfferOnAutomaticCheckClosesUnseen) {
  reply(kNothingOnOffer);
  EXPECT_EQ(complete(&checkRecord), 1);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(seenBoxes.empty());
}

TEST_F(CheckCompleteTest, BothOnOfferFillsAndShowsTheDialog) {
  reply(kBothOnOffer);
  EXPECT_EQ(complete(&checkRecord), 1);
  ASSERT_TRUE(IsWindow(window_));
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_EQ(textOf(window_, 0), "Echo Box - Update Available!");
  EXPECT_EQ(textOf(window_, IDC_CURRENT_VERSION), "Your current version: 1.0");
  EXPECT_EQ(textOf(window_, IDC_HEADLINE),
            "A FREE update for your Studio software is now available!");
  EXPECT_EQ(textOf(window_, IDC_NEW_VERSION), "New version available:  2.0");
  EXPECT_EQ(textOf(window_, IDC_DOWNLOAD), "Download the FREE update for Echo Box now!");
  EXPECT_EQ(textOf(window_, IDC_UPGRADE_HEADLINE),
            "An UPGRADE for your Studio software is available!");
  EXPECT_EQ(textOf(window_, IDC_UPGRADE), "Upgrade to Echo Box 2 now!");
  EXPECT_EQ(textOf(window_, IDC_DONT_REMIND), "Don't remind me again about THESE updates.");
  EXPECT_EQ(textOf(window_, IDCANCEL), "Not now. Remind me later.");
  EXPECT_EQ(textOf(window_, IDC_DOWNLOAD_NOTE),
            "After starting the download, be sure to save your work and quit your audio host "
            "before installing the new version.");
  EXPECT_EQ(visibleControls(window_).size(), std::size(kControls));
  EXPECT_TRUE(seenBoxes.empty());
}

TEST_F(CheckCompleteTest, UpToDateOnUserCheckShowsOnlyTheVerdict) {
  checkRecord.userInitiated = true;
  reply(kNothingOnOffer);
  EXPECT_EQ(complete(&checkRecord), 1);
  ASSERT_TRUE(IsWindow(window_));
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_EQ(textOf(window_, 0), "Echo Box");
  EXPECT_EQ(textOf(window_, IDC_HEADLINE), "Your Studio software is up to date!");
  EXPECT_EQ(textOf(window_, IDCANCEL), "Ok, thanks! (Click here to close Update Checker)");
  EXPECT_EQ(visibleControls(window_), (std::vector<int>{IDCANCEL, IDC_HEADLINE,
                                                         IDC_CURRENT_VERSION}));
}

TEST_F(CheckCompleteTest, DeclinedOffersFromTheRoamingFolderCloseUnseen) {
  writeList("SkippedUpdates.txt", "Other|Studio=9.0\r\nEcho Box|Studio=2.0\r\n");
  writeList("SkippedUpgrades.txt", "Echo Box|Studio=Echo Box 2\r\n");
  reply(kBothOnOffer);
  EXPECT_EQ(complete(&checkRecord), 1);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(checkRecord.updateSkipCount, 2);
  EXPECT_EQ(checkRecord.upgradeSkipCount, 1);
  EXPECT_EQ(checkRecord.updateReason, OfferReason::kDeclinedBefore);
  EXPECT_EQ(checkRecord.upgradeReason, OfferReason::kDeclinedBefore);
}

}  // namespace
