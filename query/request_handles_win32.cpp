#include "query/request_handles.h"

#include <windows.h>
#include <wininet.h>

#include "query/loaded_dll_calls_win32.h"
#include "query/query_context.h"

namespace {

void closeTaken(void*& field) {
  HINTERNET handle = takeHandle(field);
  if (handle != nullptr) loadedDllCalls.internetCloseHandle(handle);
}

}  // namespace

void closeAskedHandles(QueryContext& query) {
  closeTaken(query.requestHandle);
  if (!handlesReleaseAsked(query)) return;
  closeTaken(query.connectHandle);
  closeTaken(query.internetHandle);
}

void releaseHandlesAtExit(QueryContext& query) {
  // The request's close is asked first: from then on no thread starts a call, so none in flight
  // stays none. Its answer needs no look of its own: when it hands this thread the close, no call
  // is in flight, which askHandlesRelease then answers too.
  (void)askRequestClose(query);
  // With no call in flight, the request's close is this thread's, or was carried out earlier, or
  // is being carried out by the last thread to leave, which may be closing the connection and
  // root too: whatever it has taken is null here.
  if (askHandlesRelease(query)) closeAskedHandles(query);
}
