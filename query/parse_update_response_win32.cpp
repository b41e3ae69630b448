#include "query/parse_update_response.h"

#include <windows.h>
#include <objidl.h>
#include <xmllite.h>

#include <cstring>

#include "app/check_record.h"
#include "query/loaded_dll_calls_win32.h"
#include "query/reply_nodes.h"

// SHCreateMemStream, imported from shlwapi.dll by ordinal 12 (shlwapi_ordinals.def).
extern "C" __declspec(dllimport) IStream* WINAPI corvaneShCreateMemStream(const BYTE* data, UINT size);

namespace {

void handleNode(IXmlReader* reader, XmlNodeType type, ReplyParse& parse, CheckRecord& record) {
  const WCHAR* text = nullptr;
  UINT count = 0;
  if (type == XmlNodeType_Element) {
    if (FAILED(reader->GetLocalName(&text, &count)) || text == nullptr) return;
    feedElementName(parse, text, count);
  } else if (type == XmlNodeType_Text) {
    if (FAILED(reader->GetValue(&text, &count)) || text == nullptr) return;
    feedTextValue(parse, record, text, count);
  }
}

// Every node takes at least one byte of input, so more reads than bytes means the reader is
// going round in circles (seen on replies cut off inside a text node): stop there.
void readNodes(IXmlReader* reader, std::size_t maxReads, ReplyParse& parse, CheckRecord& record) {
  XmlNodeType type = XmlNodeType_None;
  std::size_t reads = 1;
  if (reader->Read(&type) != S_OK) return;
  do {
    handleNode(reader, type, parse, record);
  } while (reads++ < maxReads && reader->Read(&type) == S_OK);
}

}  // namespace

UpdateStatus ParseUpdateResponse(CheckRecord* record) {
  ReplyParse parse;
  beginReplyParse(parse);
  const std::size_t length = strnlen(record->responseText, sizeof record->responseText);
  if (length == 0) return parse.outcome;

  IXmlReader* reader = nullptr;
  if (!loadDllCalls() ||
      loadedDllCalls.createXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader), nullptr) != S_OK) {
    return parse.outcome;
  }
  IStream* stream =
      corvaneShCreateMemStream(reinterpret_cast<const BYTE*>(record->responseText), static_cast<UINT>(length));
  if (stream == nullptr) {
    reader->Release();
    return parse.outcome;
  }
  reader->SetInput(stream);
  // After the input, before the first Read: a document type declaration ends the parse.
  reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
  readNodes(reader, length + 1, parse, *record);
  stream->Release();
  reader->Release();
  return parse.outcome;
}
