#pragma once
// The one process-wide record of a check. Zero-filled at process start.
#include <cstddef>
#include <cstdint>

#include "query/query_context.h"
#include "skiplist/skip_list.h"

// Why the decision offers or withholds an update or an upgrade; the debug output names it.
enum class OfferReason : uint8_t {
  kUndecided,       // no decision was made: the check failed
  kOffered,
  kNoneOnOffer,     // the reply names no such offer, or only half of one
  kNotNewer,        // the version is not greater than the installed one
  kDeclinedBefore,  // a "don't remind me" entry withholds it from automatic checks
  kNotWebAddress,   // its address is not one the shell may be handed
};

struct CheckRecord {
  // Launch fields, filled once from the command-line argument.
  char productName[32];     // field 1, each space written as "%20"
  char platform[5];         // field 2
  char productType[6];      // field 3
  char currentVersion[16];  // field 4, "%20" decoded
  char displayName[32];     // field 5, "%20" decoded
  char softwareLabel[16];   // field 6, "%20" decoded

  int32_t requestResult;    // -1 not sent or failed; 0 sent or pending, and once the reply is read
  char responseText[2048];  // first block of the reply, NUL-terminated

  // Reply fields.
  char newVersion[16];
  char installerUrl[256];
  char upgradeName[48];
  char upgradePageUrl[256];

  bool userInitiated;       // launch field 7 begins with "Y"
  bool upgradeAvailable;
  bool updateAvailable;
  OfferReason updateReason;
  OfferReason upgradeReason;

  char skipKey[48];         // displayName "|" softwareLabel
  int32_t updateSkipCount;
  int32_t upgradeSkipCount;

  QueryContext query;
  SkipList updateSkipList;   // "SkippedUpdates.txt"
  SkipList upgradeSkipList;  // "SkippedUpgrades.txt"
};

extern CheckRecord checkRecord;
// Index of this product's entry in each skip list as the decision found it; -1 when there is
// none. Only the decision reads them, to tell whether an entry was found; a save does not: it
// finds the entry again by its key.
extern int32_t updateSkipIndex;
extern int32_t upgradeSkipIndex;

// Copies at most width - 1 bytes of src into dst and terminates it.
void copyBounded(char* dst, const char* src, std::size_t width);
// Appends src to the text in dst, keeping the whole within width bytes.
void appendBounded(char* dst, const char* src, std::size_t width);
