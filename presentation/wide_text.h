#pragma once
// The record's texts are Latin-1 bytes (each one the character of the same code point). Shown or
// handed to the shell through the wide calls, they read the same whatever the ANSI code page.
#include <cstddef>

constexpr std::size_t kWideTextWidth = 256;  // the widest record text: a reply address

struct WideText {
  wchar_t text[kWideTextWidth];
};

// Each byte of text becomes the character of the same value; cut after kWideTextWidth - 1.
WideText widenLatin1(const char* text);
// The same into out, cut after width - 1 characters.
void widenLatin1Into(const char* text, wchar_t* out, std::size_t width);
