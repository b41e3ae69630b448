#pragma once
// What the update query sends: the server, the object name with its query, the header,
// the request flags, and how long a check may take.
#include <cstddef>
#include <cstdint>

struct CheckRecord;

constexpr char kUpdateHost[] = "update.corvane.com";
constexpr uint16_t kUpdatePort = 443;
constexpr char kUpdateObjectBase[] = "stelmarvine/ProductVersionProvider.aspx";
constexpr char kRequestVerb[] = "POST";
constexpr char kAcceptAnyType[] = "*/*";
constexpr char kRequestHeader[] = "Content-Type: application/x-www-form-urlencoded";
// Sent when the browser's user-agent text cannot be had.
constexpr char kFallbackUserAgent[] = "CorvaneUpdateChecker/1.1.0.0";

constexpr std::size_t kHostWidth = 64;
constexpr std::size_t kObjectNameWidth = 256;
constexpr std::size_t kAcceptTypeWidth = 64;
constexpr std::size_t kAcceptTypeBound = 8;
constexpr std::size_t kHeaderWidth = 64;
constexpr std::size_t kUserAgentWidth = 512;

// Always from the server, never cached; TLS; no automatic authentication; HTTP -> HTTPS
// redirects allowed; no UI. Certificate name and date checks stay on, and so does the
// refusal of HTTPS -> HTTP redirects.
constexpr uint32_t kRequestFlags = 0x84844700;

// A check that has not ended by then is ended as a failed connection.
constexpr uint32_t kQueryTimeLimitMs = 30000;

// Writes the object name for the record's product into objectName (width bytes):
// the base path, then "?name=", productName, "&plat=", platform, "&type=", productType,
// each as it stands in the record (productName already carries "%20" for spaces).
void buildObjectName(char* objectName, std::size_t width, const CheckRecord& record);
