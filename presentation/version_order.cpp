#include "presentation/version_order.h"

#include <cstddef>

namespace {

// Rank of a token; the shorter version reads as endless "nothing" of the middle rank, so that
// trailing separators and zeros never make a difference.
enum TokenRank { kRankText = 0, kRankNothing = 1, kRankNumber = 2 };

struct Token {
  TokenRank rank;
  const char* start;  // text bytes, or the significant digits of a number (no leading zeros)
  std::size_t length;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A run of separators and zero numbers directly before a text counts as nothing, as such a run
// at the end does: 3.3.0b1 reads as 3.3b1. Returns where the text starts, or p when no such run
// stands at p. The run must hold a zero, so that 1.a still ranks above 1a.
const char* skipZerosBeforeText(const char* p) {
  const char* q = p;
  bool heldZero = false;
  for (;;) {
    if (*q == '.') {
      ++q;
    } else if (*q == '0') {
      while (*q == '0') ++q;
      if (isDigit(*q)) return p;  // a number above zero follows
      heldZero = true;
    } else {
      break;
    }
  }
  return heldZero && *q != '\0' && !isDigit(*q) ? q : p;
}

// Reads the token at *cursor and moves the cursor past it.
Token nextToken(const char*& cursor) {
  cursor = skipZerosBeforeText(cursor);
  const char* p = cursor;
  if (*p == '\0') return Token{kRankNothing, p, 0};
  if (*p == '.') {
    cursor = p + 1;
    return Token{kRankNothing, p, 0};
  }
  if (isDigit(*p)) {
    while (*p == '0') ++p;
    const char* significant = p;
    while (isDigit(*p)) ++p;
    cursor = p;
    std::size_t length = static_cast<std::size_t>(p - significant);
    // A number of value zero ranks with the separator and the end.
    return Token{length == 0 ? kRankNothing : kRankNumber, significant, length};
  }
  while (*p != '\0' && *p != '.' && !isDigit(*p)) ++p;
  const char* start = cursor;
  cursor = p;
  return Token{kRankText, start, static_cast<std::size_t>(p - start)};
}

int compareBytes(const char* a, const char* b, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

int compareLengths(std::size_t a, std::size_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

int compareTokens(const Token& a, const Token& b) {
  if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
  if (a.rank == kRankNothing) return 0;
  std::size_t shorter = a.length < b.length ? a.length : b.length;
  if (a.rank == kRankNumber) {
    // Without leading zeros the longer digit run is the larger value.
    if (a.length != b.length) return compareLengths(a.length, b.length);
    return compareBytes(a.start, b.start, a.length);
  }
  // Texts compare as byte strings: the first differing byte decides, a prefix is smaller.
  int byBytes = compareBytes(a.start, b.start, shorter);
  return byBytes != 0 ? byBytes : compareLengths(a.length, b.length);
}

}  // namespace

int compareVersions(const char* a, const char* b) {
  const char* left = a != nullptr ? a : "";
  const char* right = b != nullptr ? b : "";
  while (*left != '\0' || *right != '\0') {
    Token x = nextToken(left);
    Token y = nextToken(right);
    int order = compareTokens(x, y);
    if (order != 0) return order;
  }
  return 0;
}
