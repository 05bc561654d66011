// The state of the lock keys where the system tells it. Qt has no portable
// way to read it. An X server shows it in its keyboard indicators (XKB),
// remote and virtual displays included; elsewhere the keyboard LEDs that
// Linux publishes under /sys/class/leds do, for local keyboards. Where
// neither tells, the state is unknown.
#pragma once

#include <QString>
#include <optional>

namespace vorel::app {

enum class LockKey { Kana, Caps, Num, Scroll };

// True/false when some keyboard LED for the key exists under `ledRoot`;
// nullopt when none does. One lit LED of that kind counts as on.
std::optional<bool> ReadLockKeyState(LockKey key, const QString& ledRoot = QStringLiteral("/sys/class/leds"));

// The display's own indicator where it has one (X11), else the keyboard LEDs.
std::optional<bool> CurrentLockKeyState(LockKey key);

}  // namespace vorel::app
