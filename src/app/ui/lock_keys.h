// The states of the Caps Lock and Num Lock keys, read from the X keyboard extension where the
// program runs on X11 (false elsewhere).
#pragma once

namespace kszw {

struct LockKeyStates {
    bool capsLock = false;
    bool numLock = false;
};

LockKeyStates lockKeyStates();

} // namespace kszw
