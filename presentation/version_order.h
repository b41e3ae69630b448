#pragma once
// Ordering of version texts such as "1.10", "2.0b1" or "1.2rc1".
//
// A version is read as tokens: runs of digits (numbers), a single "." (separator) and runs of any
// other bytes (text). Tokens are compared in turn; the shorter version is padded with an endless
// run of "nothing". Ranks, lowest first: text, then nothing / separator / zero, then the numbers
// above zero by value. So 1.10 > 1.9, 1.0 = 1.0.0 = 1, 2.0a2 < 2.0b1 < 2.0, 1.2.0 > 1.2rc1.
// Zeros with their separators directly before a text add nothing either: 3.3b1 = 3.3.0b1.

// Returns a negative value when a is older than b, 0 when they are the same version, and a
// positive value when a is newer. A null pointer reads as the empty version.
int compareVersions(const char* a, const char* b);
