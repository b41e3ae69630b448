// The store on Windows: the roaming folder from the shell, wide file calls, atomic replace.
#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/check_record.h"
#include "skiplist/entry_array.h"
#include "skiplist/list_files.h"
#include "skiplist/skip_list.h"
#include "skiplist/wide_path_win32.h"

// Stands in for the library's (the linker then leaves wide_path_win32.o out): conversions
// left before every one fails, -1 for none.
int conversionsLeft = -1;

bool widenPath(const char* path, wchar_t* out) {
  if (conversionsLeft == 0 ||
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, out, kWidePathWidth) <= 0) {
    out[0] = L'\0';
    return false;
  }
  if (conversionsLeft > 0) --conversionsLeft;
  return true;
}

namespace {

const wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string utf8(const std::wstring& wide) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, out.data(), bytes, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(bytes) - 1);
  return out;
}

std::wstring shellRoamingFolder() {
  PWSTR wide = nullptr;
  std::wstring folder;
  if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &wide) == S_OK) folder = wide;
  CoTaskMemFree(wide);
  return folder;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void writeBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD put = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  CloseHandle(file);
}

std::string readBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

// Names in a folder, sorted as the file system gives them, each followed by ";".
std::string listing(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  std::string names;
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names += utf8(name) + ";";
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

void removeTree(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") removeTree(path + L"\\" + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

// One saved registry value: its type and data, or that there was none.
struct SavedValue {
  bool present = false;
  DWORD type = 0;
  std::wstring data;
};

SavedValue readValue(const wchar_t* key, const wchar_t* name) {
  SavedValue saved;
  wchar_t data[1024] = L"";
  DWORD size = sizeof data - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &saved.type,
                   data, &size) == ERROR_SUCCESS) {
    saved.present = true;
    saved.data = data;
  }
  return saved;
}

void writeValue(const wchar_t* key, const wchar_t* name, const SavedValue& value) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  if (value.present) {
    RegSetValueExW(handle, name, 0, value.type, reinterpret_cast<const BYTE*>(value.data.c_str()),
                   static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t)));
  } else {
    RegDeleteValueW(handle, name);
  }
  RegCloseKey(handle);
}

class SkipListWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    savedUserShellFolder = readValue(kUserShellFolders, L"AppData");
    savedShellFolder = readValue(kShellFolders, L"AppData");
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    scratch = std::wstring(temp) + L"skiplist-test-" + std::to_wstring(GetCurrentProcessId());
    removeTree(scratch);
    ASSERT_TRUE(CreateDirectoryW(scratch.c_str(), nullptr));
    copyBounded(checkRecord.skipKey, "Echo Box|Studio", sizeof checkRecord.skipKey);
  }

  void TearDown() override {
    writeValue(kUserShellFolders, L"AppData", savedUserShellFolder);
    writeValue(kShellFolders, L"AppData", savedShellFolder);
    releaseEntries(list.entries);
    list = SkipList{};
    removeTree(scratch);
  }

  // Points the user's roaming folder at folder until the test ends. The shell reports it, or
  // nothing at all when the folder does not exist.
  void moveRoamingFolder(const std::wstring& folder) {
    SavedValue moved{true, REG_EXPAND_SZ, folder};
    writeValue(kUserShellFolders, L"AppData", moved);
    moved.type = REG_SZ;
    writeValue(kShellFolders, L"AppData", moved);
    ASSERT_EQ(shellRoamingFolder(), exists(folder) ? folder : std::wstring());
  }

  SavedValue savedUserShellFolder;
  SavedValue savedShellFolder;
  std::wstring scratch;
  SkipList list{};
};

TEST_F(SkipListWin32Test, CreatesCorvaneInThePrefixsRoamingFolder) {
  std::wstring roaming = shellRoamingFolder();
  ASSERT_FALSE(roaming.empty());
  std::wstring maker = roaming + L"\\Corvane";
  std::wstring aside = roaming + L"\\Corvane.before-skiplist-test";
  // Whatever is there already is set aside and put back afterwards.
  bool hadMaker = exists(maker);
  if (hadMaker) {
    ASSERT_TRUE(MoveFileW(maker.c_str(), aside.c_str()));
  }

  EXPECT_EQ(list.locateAndLoad("SkippedUpdates.txt"), 0);
  EXPECT_EQ(std::string(list.path), utf8(maker + L"\\SkippedUpdates.txt"));
  EXPECT_EQ(listing(maker), "");
  list.add("2.1.0");
  list.save();
  EXPECT_EQ(readBytes(maker + L"\\SkippedUpdates.txt"), "Echo Box|Studio=2.1.0\r\n");

  SkipList again{};
  EXPECT_EQ(again.locateAndLoad("SkippedUpdates.txt"), 1);
  char value[48] = "";
  EXPECT_EQ(again.find(value), 0);
  EXPECT_STREQ(value, "2.1.0");
  releaseEntries(again.entries);

  removeTree(maker);
  if (hadMaker) {
    EXPECT_TRUE(MoveFileW(aside.c_str(), maker.c_str()));
  }
}

TEST_F(SkipListWin32Test, RoamingFolderWithCyrillicAndCjkNames) {
  std::wstring roaming = scratch + L"\\\x041F\x043E\x043B\x044C\x0437\x043E\x0432\x0430\x0442\x0435\x043B\x044C "
                                   L"\x7528\x6237\\AppData\\Roaming";
  ASSERT_EQ(SHCreateDirectoryExW(nullptr, roaming.c_str(), nullptr), ERROR_SUCCESS);
  moveRoamingFolder(roaming);

  EXPECT_EQ(list.locateAndLoad("SkippedUpgrades.txt"), 0);
  EXPECT_EQ(std::string(list.path), utf8(roaming + L"\\Corvane\\SkippedUpgrades.txt"));
  list.add("Echo Box Pro");
  list.save();
  EXPECT_EQ(readBytes(roaming + L"\\Corvane\\SkippedUpgrades.txt"), "Echo Box|Studio=Echo Box Pro\r\n");

  SkipList again{};
  EXPECT_EQ(again.locateAndLoad("SkippedUpgrades.txt"), 1);
  releaseEntries(again.entries);
}

TEST_F(SkipListWin32Test, RoamingFolderTooLongInUtf8GivesAnEmptyListNeverSaved) {
  // 100 CJK characters: a fine Windows path, but 300 bytes in UTF-8.
  std::wstring roaming = scratch + L"\\" + std::wstring(100, L'\x6587');
  ASSERT_TRUE(CreateDirectoryW(roaming.c_str(), nullptr));
  moveRoamingFolder(roaming);
  EXPECT_EQ(list.locateAndLoad("SkippedUpdates.txt"), 0);
  EXPECT_STREQ(list.path, "");
  list.add("2.1.0");
  list.save();
  EXPECT_EQ(listing(roaming), "");
}

TEST_F(SkipListWin32Test, MissingRoamingFolderCreatesNothingAnywhere) {
  std::wstring roaming = scratch + L"\\gone\\Roaming";
  moveRoamingFolder(roaming);
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(scratch.c_str()));
  EXPECT_EQ(list.locateAndLoad("SkippedUpdates.txt"), 0);
  EXPECT_STREQ(list.path, "");
  list.add("2.1.0");
  list.save();
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(listing(scratch), "");
}

TEST_F(SkipListWin32Test, CorvaneThatIsAFileIsLeftWhole) {
  moveRoamingFolder(scratch);
  writeBytes(scratch + L"\\Corvane", "Echo Box|Studio=1.0\r\n");
  EXPECT_EQ(list.locateAndLoad("SkippedUpdates.txt"), 0);
  EXPECT_STREQ(list.path, "");
  list.add("2.1.0");
  list.save();
  EXPECT_EQ(readBytes(scratch + L"\\Corvane"), "Echo Box|Studio=1.0\r\n");
  EXPECT_EQ(listing(scratch), "Corvane;");
}

// A save that cannot put its file in place leaves the old list whole and no temporary file.
class SkipListReplaceTest : public SkipListWin32Test {
 protected:
  void SetUp() override {
    SkipListWin32Test::SetUp();
    moveRoamingFolder(scratch);
    CreateDirectoryW((scratch + L"\\Corvane").c_str(), nullptr);
    listFile = scratch + L"\\Corvane\\SkippedUpdates.txt";
    writeBytes(listFile, "A|B=1\r\n");
    ASSERT_EQ(list.locateAndLoad("SkippedUpdates.txt"), 1);
    list.add("2.1.0");
  }

  void expectOldListOnly() {
    EXPECT_EQ(readBytes(listFile), "A|B=1\r\n");
    EXPECT_EQ(listing(scratch + L"\\Corvane"), "SkippedUpdates.txt;");
  }

  void expectSavedList() { EXPECT_EQ(readBytes(listFile), "A|B=1\r\nEcho Box|Studio=2.1.0\r\n"); }

  std::wstring listFile;
};

TEST_F(SkipListReplaceTest, FileHeldOpenWithoutDeleteSharing) {
  HANDLE held = CreateFileW(listFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  list.save();
  CloseHandle(held);
  expectOldListOnly();
  list.save();
  expectSavedList();
}

TEST_F(SkipListReplaceTest, FileHeldOpenForAMomentGetsTheSaveOnceLetGo) {
  HANDLE held = CreateFileW(listFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  auto letGo = [](void* file) -> DWORD {
    Sleep(400);
    return CloseHandle(static_cast<HANDLE>(file));
  };
  HANDLE letting = CreateThread(nullptr, 0, letGo, held, 0, nullptr);
  list.save();
  WaitForSingleObject(letting, INFINITE);
  CloseHandle(letting);
  expectSavedList();
}

TEST_F(SkipListReplaceTest, ConversionFailingPartwayLeavesNoTemporaryFile) {
  // One conversion names the temporary file, the next the list it replaces.
  for (auto [allowed, saves] : {std::pair{0, false}, {1, false}, {2, true}}) {
    conversionsLeft = allowed;
    EXPECT_EQ(list.save(), saves) << allowed;
    conversionsLeft = -1;
    if (!saves) expectOldListOnly();
  }
  expectSavedList();
  EXPECT_EQ(listing(scratch + L"\\Corvane"), "SkippedUpdates.txt;");
}

TEST_F(SkipListReplaceTest, ReadOnlyFile) {
  ASSERT_TRUE(SetFileAttributesW(listFile.c_str(), FILE_ATTRIBUTE_READONLY));
  list.save();
  SetFileAttributesW(listFile.c_str(), FILE_ATTRIBUTE_NORMAL);
  expectOldListOnly();
  list.save();
  expectSavedList();
}

TEST_F(SkipListReplaceTest, ReadsWhileAnotherProcessWritesTheFile) {
  // A writer that shares reading only: the list still loads (it asks for no more than that).
  HANDLE writer = CreateFileW(listFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  SkipList other{};
  EXPECT_EQ(other.locateAndLoad("SkippedUpdates.txt"), 1);
  EXPECT_STREQ(other.path, list.path);
  CloseHandle(writer);
  releaseEntries(other.entries);
}

TEST_F(SkipListReplaceTest, OnlyOldTemporaryFilesOfTheSavesOwnNameGo) {
  const std::wstring folder = scratch + L"\\Corvane\\";
  FILETIME old;
  GetSystemTimeAsFileTime(&old);
  old.dwHighDateTime -= 1;  // about seven minutes earlier
  for (const wchar_t* name : {L"~sl0000abcd.tmp", L"~sl0000abce.tmp", L"~sl0000abcd.tmp.1", L"~sl0000abcx.tmp"}) {
    writeBytes(folder + name, "partial");
    HANDLE file = CreateFileW((folder + name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (std::wstring(name) != L"~sl0000abce.tmp") {
      EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &old));
    }
    CloseHandle(file);
  }
  removeStaleTempFiles(list.path, 60);
  EXPECT_FALSE(exists(folder + L"~sl0000abcd.tmp"));
  for (const wchar_t* kept : {L"~sl0000abce.tmp", L"~sl0000abcd.tmp.1", L"~sl0000abcx.tmp", L"SkippedUpdates.txt"}) {
    EXPECT_TRUE(exists(folder + kept)) << utf8(kept);
  }
}

}  // namespace
