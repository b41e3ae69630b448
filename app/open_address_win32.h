#pragma once
// Opening a reply's web address in the user's browser, with the user's normal rights.
#include "app/open_address.h"

// Runs on a button's worker: hands the address on from a thread of its own and waits for it no
// longer than kAddressHandOffBoundMs. A hand-off that finishes later changes nothing more.
AddressResult openWebAddress(const char* address);

// Shows the user the address that was not opened, and why: a message box with no owner.
void tellNotOpened(const char* address, const AddressResult& result);
