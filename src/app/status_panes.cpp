#include "app/status_panes.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>
#include <clocale>
#include <ctime>

#include "app/command_table.h"

namespace vorel::app {
namespace {

constexpr int kPaneMargin = 2;
constexpr int kUpdateIntervalMs = 1000;
constexpr std::array<LockKey, 4> kLockKeys{LockKey::Kana, LockKey::Caps, LockKey::Num, LockKey::Scroll};

QLabel* MakePane(QStatusBar* bar, const QString& text) {
    auto* pane = new QLabel(text, bar);
    pane->setMargin(kPaneMargin);
    pane->setAlignment(Qt::AlignCenter);
    return pane;
}

}  // namespace

CStatusPanes::CStatusPanes(QStatusBar* bar) : QObject(bar) {
    // "%x" and "%X" follow the user's locale, as the status bar always did.
    std::setlocale(LC_ALL, "");

    m_pMessage = new QLabel(IdleStatusText(), bar);
    m_pMessage->setMargin(kPaneMargin);
    bar->addWidget(m_pMessage, 1);

    for (LockKey key : kLockKeys) {
        QLabel* pane = MakePane(bar, QString());
        // The pane keeps the width of its indicator whether the key is on or not.
        pane->setFixedWidth(PaneWidthFor(pane, LockIndicator(key)));
        m_locks[static_cast<int>(key)] = pane;
        bar->addPermanentWidget(pane);
    }
    m_pDate = MakePane(bar, QStringLiteral("Date"));
    m_pTime = MakePane(bar, QStringLiteral("Time"));
    bar->addPermanentWidget(m_pDate);
    bar->addPermanentWidget(m_pTime);

    Update();
    connect(&m_timer, &QTimer::timeout, this, &CStatusPanes::Update);
    m_timer.start(kUpdateIntervalMs);
}

QString CStatusPanes::LockIndicator(LockKey key) {
    switch (key) {
        case LockKey::Kana:
            return QStringLiteral("ｶﾅ");
        case LockKey::Caps:
            return QStringLiteral("CAP");
        case LockKey::Num:
            return QStringLiteral("NUM");
        case LockKey::Scroll:
            return QStringLiteral("SCRL");
    }
    return {};
}

QString CStatusPanes::FormatNow(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[256];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(length));
}

int CStatusPanes::PaneWidthFor(const QLabel* pane, const QString& text) {
    const QMargins m = pane->contentsMargins();
    return QFontMetrics(pane->font()).horizontalAdvance(text) + 2 * pane->margin() + m.left() + m.right();
}

void CStatusPanes::SetPaneText(QLabel* pane, const QString& text) {
    // Sized to exactly its text, so the date pane grows or shrinks with the locale's format.
    const int width = PaneWidthFor(pane, text);
    if (pane->width() != width || pane->minimumWidth() != width) pane->setFixedWidth(width);
    if (pane->text() != text) pane->setText(text);
}

void CStatusPanes::Update() {
    for (LockKey key : kLockKeys) {
        // Unknown state (no indicator or LED to read) shows as blank, like a key that is off.
        const std::optional<bool> on = CurrentLockKeyState(key);
        const QString text = on.value_or(false) ? LockIndicator(key) : QString();
        QLabel* pane = m_locks[static_cast<int>(key)];
        if (pane->text() != text) pane->setText(text);
    }
    SetPaneText(m_pDate, FormatNow("%x"));
    SetPaneText(m_pTime, FormatNow("%X"));
}

}  // namespace vorel::app
