// The lock keys as the X server's keyboard extension (XKB) shows them: the
// state a remote or virtual display has, where no kernel LED exists.
#pragma once

#include <optional>

#include "app/lock_keys.h"

struct _XDisplay;

namespace vorel::app {

// The named XKB indicator of `key` ("Caps Lock", "Num Lock", "Scroll Lock",
// "Kana") on `display`; nullopt when the display has no such indicator, no
// XKB, or the program was built without Xlib.
std::optional<bool> ReadXkbIndicator(_XDisplay* display, LockKey key);

// The same on the display the program runs on; nullopt when it is not an X11 display.
std::optional<bool> ReadDisplayIndicator(LockKey key);

}  // namespace vorel::app
