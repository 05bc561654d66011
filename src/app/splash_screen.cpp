#include "app/splash_screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "app/about_box.h"
#include "app/splash_picture.h"

namespace {

bool g_enabled = false;
CSplashScreen* g_current = nullptr;
std::function<bool()> g_inputPasses;

// No picture to take away, or presses that belong to a running search.
bool PressPasses() { return !g_current || (g_inputPasses && g_inputPasses()); }

// Every key and mouse-button press of the program passes here first while the
// picture shows: the first one takes the picture away and goes no further, nor
// does its release.
class SplashInputFilter : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int m_swallowKey = 0;
    Qt::MouseButtons m_swallowButtons;
};

bool SplashInputFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Claimed, so that no shortcut acts: the key press that follows comes here.
            if (PressPasses()) return false;
            event->accept();
            return true;
        case QEvent::KeyPress:
            if (PressPasses()) return false;
            m_swallowKey = static_cast<QKeyEvent*>(event)->key();
            g_current->HideSplashScreen();
            return true;
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (m_swallowKey == 0 || key->key() != m_swallowKey || key->isAutoRepeat()) return false;
            m_swallowKey = 0;
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
            if (PressPasses()) return false;
            m_swallowButtons |= static_cast<QMouseEvent*>(event)->button();
            g_current->HideSplashScreen();
            return true;
        case QEvent::MouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonRelease: {
            const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
            if (!m_swallowButtons.testFlag(button)) return false;
            m_swallowButtons &= ~Qt::MouseButtons(button);
            return true;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

SplashInputFilter* InputFilter() {
    static QPointer<SplashInputFilter> filter;
    if (!filter) {
        filter = new SplashInputFilter(qApp);
        qApp->installEventFilter(filter);
    }
    return filter;
}

}  // namespace

void CSplashScreen::EnableSplashScreen(bool enable) {
    g_enabled = enable;
}

bool CSplashScreen::IsEnabled() {
    return g_enabled;
}

CSplashScreen* CSplashScreen::Current() {
    return g_current;
}

void CSplashScreen::ShowSplashScreen(QWidget* owner, std::function<bool()> inputPasses) {
    if (!g_enabled || g_current) return;
    g_enabled = false;
    g_inputPasses = std::move(inputPasses);
    auto* splash = new CSplashScreen(owner);
    splash->show();
    splash->raise();
    splash->repaint();
}

CSplashScreen::CSplashScreen(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint), m_owner(owner) {
    g_current = this;
    setObjectName(QStringLiteral("SplashScreen"));
    setAccessibleName(QStringLiteral("Vorel"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_picture = vorel::app::MakeSplashPicture(CAboutBox::VersionLine());
    setFixedSize(m_picture.size());
    InputFilter();

    // Centred in the screen's work area (the owner is not shown yet at start).
    const QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(area.center());
        frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())));
        frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
        move(frame.topLeft());
    }
    // Shown later than the picture, the main window would otherwise come up over it.
    if (owner) owner->installEventFilter(this);

    m_pTimer = new QTimer(this);
    m_pTimer->setSingleShot(true);
    connect(m_pTimer, &QTimer::timeout, this, &CSplashScreen::HideSplashScreen);
    m_pTimer->start(kTimeoutMs);
}

CSplashScreen::~CSplashScreen() {
    if (g_current != this) return;
    g_current = nullptr;
    g_inputPasses = nullptr;  // it may speak of the owner, which goes with us
}

void CSplashScreen::HideSplashScreen() {
    if (g_current == this) g_current = nullptr;
    m_pTimer->stop();
    if (m_owner) m_owner->removeEventFilter(this);
    close();
    if (m_owner) m_owner->repaint();
}

void CSplashScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

bool CSplashScreen::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_owner && event->type() == QEvent::Show && g_current == this) raise();
    return QWidget::eventFilter(watched, event);
}

bool IsSplashSwitch(const QString& argument) {
    if (argument.size() < 2 || (argument.front() != u'-' && argument.front() != u'/')) return false;
    const QString name = argument.mid(1);
    // Exact case, as the programs that start us with them spell them; a
    // lower-case "/automation" stays a path.
    return name == u"Embedding" || name == u"Automation";
}

bool SplashSuppressedBy(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (IsSplashSwitch(arguments.at(i))) return true;
    }
    return false;
}
