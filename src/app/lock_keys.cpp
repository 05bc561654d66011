#include "app/lock_keys.h"

#include <QDir>
#include <QFile>

#include "app/xkb_indicators.h"

namespace vorel::app {
namespace {

QString LedSuffix(LockKey key) {
    switch (key) {
        case LockKey::Kana:
            return QStringLiteral("::kana");
        case LockKey::Caps:
            return QStringLiteral("::capslock");
        case LockKey::Num:
            return QStringLiteral("::numlock");
        case LockKey::Scroll:
            return QStringLiteral("::scrolllock");
    }
    return {};
}

}  // namespace

std::optional<bool> ReadLockKeyState(LockKey key, const QString& ledRoot) {
    const QDir root(ledRoot);
    if (!root.exists()) return std::nullopt;
    const QString suffix = LedSuffix(key);
    std::optional<bool> state;
    const QStringList leds = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& led : leds) {
        if (!led.endsWith(suffix)) continue;
        QFile brightness(root.filePath(led + QStringLiteral("/brightness")));
        if (!brightness.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = brightness.read(16).trimmed();
        bool ok = false;
        const int value = text.toInt(&ok);
        if (!ok) continue;
        state = state.value_or(false) || value > 0;
    }
    return state;
}

std::optional<bool> CurrentLockKeyState(LockKey key) {
    if (const std::optional<bool> shown = ReadDisplayIndicator(key)) return shown;
    return ReadLockKeyState(key);
}

}  // namespace vorel::app
