#include "app/xkb_indicators.h"

#include <QGuiApplication>

#if VOREL_HAVE_XKB
#include <QtGui/qguiapplication_platform.h>
// Xlib last: its macros (None, Bool, Status...) would clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace vorel::app {

#if VOREL_HAVE_XKB

namespace {

const char* IndicatorName(LockKey key) {
    switch (key) {
        case LockKey::Kana:
            return "Kana";
        case LockKey::Caps:
            return "Caps Lock";
        case LockKey::Num:
            return "Num Lock";
        case LockKey::Scroll:
            return "Scroll Lock";
    }
    return nullptr;
}

}  // namespace

std::optional<bool> ReadXkbIndicator(_XDisplay* display, LockKey key) {
    const char* name = IndicatorName(key);
    if (!display || !name) return std::nullopt;
    // An indicator no keymap ever named has no atom either.
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0) return std::nullopt;
    int index = 0;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, &index, &on, nullptr, nullptr)) return std::nullopt;
    return on != False;
}

std::optional<bool> ReadDisplayIndicator(LockKey key) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11) return std::nullopt;  // Wayland, offscreen and the like
    return ReadXkbIndicator(x11->display(), key);
}

#else

std::optional<bool> ReadXkbIndicator(_XDisplay*, LockKey) {
    return std::nullopt;
}

std::optional<bool> ReadDisplayIndicator(LockKey) {
    return std::nullopt;
}

#endif

}  // namespace vorel::app
