#pragma once
// UTF-8 paths of the store turned into the UTF-16 the wide file calls take.

// Room for any list or temporary path (kTempPathWidth UTF-8 bytes never need more units).
constexpr int kWidePathWidth = 261 + 32;

// False when path is not valid UTF-8 or does not fit out (kWidePathWidth units).
bool widenPath(const char* path, wchar_t* out);
