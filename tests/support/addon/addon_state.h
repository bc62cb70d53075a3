// The add-on's globals in a test program that links its pieces: every global starts as the
// module's copy does when the phone loads it, whatever the tests before did to it.
#pragma once

// Puts every global of the add-on's pieces back to its start state: writable data as the program
// started with it, zero-filled data to zero. Call it first in a fixture's SetUp and after the
// fixture has released what the add-on held; it frees nothing.
void ResetAddOnGlobals();
