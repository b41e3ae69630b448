#pragma once
// The debug output stream, where support reads what a check did.

// Writes one line, each byte as its Latin-1 letter: an ANSI line would be read in the listener's
// code page, where a letter such as "é" can swallow the next one. A debug viewer that does not
// read holds each line up to 10 s.
void writeDebugLine(const char* line);

// Writes one line from a short-lived thread of its own, so that the caller (the dialog's thread
// with the dialog in view) never waits for a viewer. Once per process. With no thread to be
// had the line is kept for writeKeptDebugLine.
void writeDebugLineAside(const char* line);

// Waits (no longer than a viewer may hold a line) until the line written aside has gone out, so
// that the lines written next follow it. Only for a thread that may wait.
void awaitDebugLineAside();

// Writes the line writeDebugLineAside had to keep, if any, on this thread: for a caller that may
// wait, once nothing is in view. Whoever comes first writes it.
void writeKeptDebugLine();
