// The state of the lock keys where the system tells it. Qt has no portable
// way to read it, and X11 and the offscreen platform do not report it; the
// keyboard LEDs that Linux publishes under /sys/class/leds do, for local
// keyboards. Where no LED is found the state is unknown.
#pragma once

#include <QString>
#include <optional>

namespace vorel::app {

enum class LockKey { Kana, Caps, Num, Scroll };

// True/false when some keyboard LED for the key exists under `ledRoot`;
// nullopt when none does. One lit LED of that kind counts as on.
std::optional<bool> ReadLockKeyState(LockKey key, const QString& ledRoot = QStringLiteral("/sys/class/leds"));

}  // namespace vorel::app
