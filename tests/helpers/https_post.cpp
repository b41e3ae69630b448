// https_post URL: one synchronous WinINet POST with no body, as a check that the test prefix
// trusts the test CA and reaches the local update server. Prints "status N" and the reply, or
// "error N" (the WinINet error, e.g. 12045 for an untrusted CA). Exit codes: 0 answered,
// 1 failed, 2 usage.
#include <windows.h>
#include <wininet.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

int fail(const char* step) {
  printf("error %lu %s\n", GetLastError(), step);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc != 2) {
    fprintf(stderr, "usage: https_post URL\n");
    return 2;
  }
  wchar_t host[256] = {}, path[2048] = {};
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  if (!InternetCrackUrlW(argv[1], 0, 0, &parts)) return fail("url");

  HINTERNET internet = InternetOpenW(L"CorvaneTestClient/1.0", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (internet == nullptr) return fail("open");
  HINTERNET connection = InternetConnectW(internet, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  if (connection == nullptr) return fail("connect");
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                      (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
  HINTERNET request = HttpOpenRequestW(connection, L"POST", path, nullptr, nullptr, nullptr, flags, 0);
  if (request == nullptr) return fail("request");
  if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0)) return fail("send");

  DWORD status = 0, size = sizeof status;
  HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
  printf("status %lu\n", status);
  char buffer[4096];
  DWORD got = 0;
  while (InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) fwrite(buffer, 1, got, stdout);
  fflush(stdout);
  InternetCloseHandle(request);
  InternetCloseHandle(connection);
  InternetCloseHandle(internet);
  return 0;
}
