#pragma once
// The single launch argument: "name|platform|type|version|display name|label[|Y]".
#include <cstddef>

struct CheckRecord;

constexpr std::size_t kArgumentBufferSize = 128;

// Converts the wide argument to single-byte text in out (kArgumentBufferSize bytes): at most
// the first 127 code units; each unit below 256 becomes that byte; any unit of 256 or above
// makes the whole result empty.
void convertArgument(const wchar_t* wide, char* out);

// Splits the converted argument into the record's launch fields and userInitiated.
// Returns false when one of the first five separators is missing.
bool parseLaunchArguments(CheckRecord& record, const char* text);

// Writes field 1 into productName with each space as "%20", never splitting a "%20".
void encodeSpaces(CheckRecord& record, const char* field);

// Replaces each "%20" in text by one space, in place.
void decodeSpaces(char* text);
