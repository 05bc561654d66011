// The hourglass while a command works: shown for the lifetime of the guard,
// taken away on every way out of the scope, early returns included.
#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace vorel {

class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace vorel
