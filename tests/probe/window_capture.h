#pragma once
// Saving what a window shows on the screen as a 24-bit BMP file.
#include <windows.h>

// Copies the window's screen rectangle (frame included). Returns false when nothing could be
// captured or written.
bool captureWindowToBmp(HWND window, const wchar_t* path);
