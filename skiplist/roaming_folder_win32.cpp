// The roaming application-data folder from the shell, as UTF-8 so that any user name works.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "skiplist/roaming_folder.h"

namespace {

// FOLDERID_RoamingAppData. Defined here: the uuid library keeps every known GUID in one object,
// and naming one of them links all of them into the program.
const KNOWNFOLDERID kRoamingAppData = {0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};

// "C:\..." or "\\server\...": anything else would put the lists under the current folder.
bool isAbsolute(const wchar_t* path) {
  bool drive = path[0] != L'\0' && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
  bool unc = path[0] == L'\\' && path[1] == L'\\';
  return drive || unc;
}

}  // namespace

int32_t findRoamingFolder(char* out, std::size_t width) {
  if (width == 0) return kRoamingUnavailable;
  out[0] = '\0';
  PWSTR wide = nullptr;
  HRESULT result = SHGetKnownFolderPath(kRoamingAppData, 0, nullptr, &wide);
  int32_t found = kRoamingUnavailable;
  if (result == S_OK && wide != nullptr && isAbsolute(wide)) {
    // Fails, writing nothing usable, when the UTF-8 form does not fit width bytes.
    int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, out, static_cast<int>(width),
                                    nullptr, nullptr);
    if (bytes > 0) found = kRoamingFound;
  }
  CoTaskMemFree(wide);  // the shell may allocate even when it fails
  if (found != kRoamingFound) out[0] = '\0';
  return found;
}
