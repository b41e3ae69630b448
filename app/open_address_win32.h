#pragma once
// Opening a reply's web address in the user's browser, with the user's normal rights.
#include "app/open_address.h"

// Runs on a button's worker thread: it may wait on the shell, on the desktop's shell in another
// process, and on the message box that tells the user the address was not opened. Makes the
// calling thread a single-threaded apartment, as the shell's handlers want.
AddressOutcome openWebAddress(const char* address);
