#pragma once
// WinINet, URLMON and XmlLite are not among Windows' known DLLs: a file of the same name beside
// the program would be loaded in their place. So they are never imported; they are loaded from
// the system folder by hand, once, before the query, and called through this table, by the query
// and by the XML reader. Nothing writes an import slot at run time (newer linkers make those
// read-only, as Windows enforces).
#include <windows.h>
#include <wininet.h>
#include <urlmon.h>
#include <xmllite.h>

struct LoadedDllCalls {
  decltype(&::InternetOpenA) internetOpenA;
  decltype(&::InternetSetStatusCallbackA) internetSetStatusCallbackA;
  decltype(&::InternetConnectA) internetConnectA;
  decltype(&::HttpOpenRequestA) httpOpenRequestA;
  decltype(&::HttpSendRequestA) httpSendRequestA;
  decltype(&::HttpQueryInfoA) httpQueryInfoA;
  decltype(&::InternetReadFile) internetReadFile;
  decltype(&::InternetCloseHandle) internetCloseHandle;
  decltype(&::ObtainUserAgentString) obtainUserAgentString;
  decltype(&::CreateXmlReader) createXmlReader;
};

// Filled whole by loadDllCalls, or left all null.
extern LoadedDllCalls loadedDllCalls;

// Loads the three libraries from the system folder and takes every call; true once all are there.
// Called again after success, it changes nothing. A missing library or call leaves the table
// empty: the check then fails as a lost connection would.
bool loadDllCalls();
