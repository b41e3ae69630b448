#pragma once
// Reads the reply document in the record's responseText.
#include <cstdint>

#include "query/update_status.h"

struct CheckRecord;

// Parses record->responseText with the platform's XML reader, fills newVersion, installerUrl,
// upgradeName and upgradePageUrl from the reply's elements and returns the outcome of the check:
// 0, 1 or 2 from the last valid Result element, -3 when there is none or nothing can be read.
// Writes nothing else; fields whose element is absent keep what they held.
UpdateStatus ParseUpdateResponse(CheckRecord* record);
