#pragma once
// The debug output stream, where support reads what a check did.

// Writes one line, each byte as its Latin-1 letter: an ANSI line would be read in the listener's
// code page, where a letter such as "é" can swallow the next one.
void writeDebugLine(const char* line);
