#pragma once
// The user's roaming application-data folder, from the platform.
#include <cstddef>
#include <cstdint>

constexpr int32_t kRoamingFound = 0;
constexpr int32_t kRoamingUnavailable = 1;  // no folder, or its UTF-8 path does not fit width

// Writes the folder's absolute path as UTF-8 into out (width bytes), or empties out.
int32_t findRoamingFolder(char* out, std::size_t width);
