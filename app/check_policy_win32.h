#pragma once
// The administrator's switch for automatic checks, read from Group Policy's registry keys.
struct CheckRecord;

// True when policy turns automatic checks off; the debug output then says whose value did it.
// Only reads: nothing under the policy key is ever written.
bool automaticChecksTurnedOff(const CheckRecord& record);
