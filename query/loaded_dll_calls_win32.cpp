#include "query/loaded_dll_calls_win32.h"

LoadedDllCalls loadedDllCalls;

namespace {

HMODULE loadSystemLibrary(const wchar_t* name) {
  return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// GetProcAddress's FARPROC is cast through the generic function pointer type to the real
// prototype, which the table's declaration gives.
template <typename Call>
bool take(HMODULE library, const char* name, Call& slot) {
  FARPROC address = library != nullptr ? GetProcAddress(library, name) : nullptr;
  slot = reinterpret_cast<Call>(reinterpret_cast<void (*)()>(address));
  return slot != nullptr;
}

}  // namespace

bool loadDllCalls() {
  if (loadedDllCalls.createXmlReader != nullptr) return true;
  // The libraries stay loaded for the life of the process: the table points into them.
  HMODULE wininet = loadSystemLibrary(L"wininet.dll");
  HMODULE urlmon = loadSystemLibrary(L"urlmon.dll");
  HMODULE xmllite = loadSystemLibrary(L"xmllite.dll");
  LoadedDllCalls calls = {};
  bool complete = take(wininet, "InternetOpenA", calls.internetOpenA) &&
                  take(wininet, "InternetSetStatusCallbackA", calls.internetSetStatusCallbackA) &&
                  take(wininet, "InternetConnectA", calls.internetConnectA) &&
                  take(wininet, "HttpOpenRequestA", calls.httpOpenRequestA) &&
                  take(wininet, "HttpSendRequestA", calls.httpSendRequestA) &&
                  take(wininet, "HttpQueryInfoA", calls.httpQueryInfoA) &&
                  take(wininet, "InternetReadFile", calls.internetReadFile) &&
                  take(wininet, "InternetCloseHandle", calls.internetCloseHandle) &&
                  take(urlmon, "ObtainUserAgentString", calls.obtainUserAgentString) &&
                  take(xmllite, "CreateXmlReader", calls.createXmlReader);
  if (complete) loadedDllCalls = calls;
  return complete;
}
