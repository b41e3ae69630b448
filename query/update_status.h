#pragma once
// The outcome of a check: its status. WinINet's progress reports are called notifications here,
// and the server's HTTP status an HTTP code.
#include <cstdint>

using UpdateStatus = int32_t;

constexpr UpdateStatus kStatusAnswered = 0;          // the reply carries what is on offer
constexpr UpdateStatus kStatusBadData = 1;           // the server reports bad data
constexpr UpdateStatus kStatusUnsupported = 2;       // the server does not support this product
constexpr UpdateStatus kStatusInvalidArguments = -1;
constexpr UpdateStatus kStatusNoConnection = -2;     // the request could not be made or failed
constexpr UpdateStatus kStatusUnreadableReply = -3;  // the reply is missing or cannot be read
