// vorel: searches files for embedded TIM textures and bitmaps and opens every
// image found in a window of its own. Only one copy runs per user: a later
// copy hands its file names to the running one and ends when they have been
// searched.
#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/info_options.h"
#include "app/main_frame.h"
#include "app/message_log_service.h"
#include "app/qt_translation.h"
#include "app/single_instance.h"
#include "app/splash_screen.h"
#include "app/vorel_app.h"
#include "platform/qsettings_store.h"

namespace {

// The command line as the program reads it: every argument that does not
// start with "-" names a file, made absolute against the directory the copy
// was started in (a running copy that receives it may be elsewhere).
// Options are ignored, and so are "/Embedding" and "/Automation".
QStringList FileArguments(const QStringList& arguments) {
    QStringList files;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument.startsWith(u'-') || IsSplashSwitch(argument)) continue;
        files.append(argument.isEmpty() ? argument : QFileInfo(argument).absoluteFilePath());
    }
    return files;
}

void UseJapaneseFont() {
    // Half-width katakana and kanji in menus and messages need a CJK face.
    const QStringList families = QFontDatabase::families();
    for (const char* name : {"Noto Sans CJK JP", "Noto Sans JP", "Noto Sans CJK SC"}) {
        if (families.contains(QString::fromLatin1(name))) {
            QFont font = QApplication::font();
            font.setFamilies({QString::fromLatin1(name)});
            QApplication::setFont(font);
            return;
        }
    }
}

// Test and documentation hooks, all off unless their variable is set:
// VOREL_TEST_AUTOCLOSE=n ends the program once n hand-offs have been served
// and nothing more is waiting (0: as soon as start-up is over);
// VOREL_TEST_SCREENSHOT=file saves a picture of the main window then and ends.
void InstallTestHooks(CVorelApp& app) {
    bool autoCloseSet = false;
    const int autoClose = qEnvironmentVariableIntValue("VOREL_TEST_AUTOCLOSE", &autoCloseSet);
    const QString screenshot = qEnvironmentVariable("VOREL_TEST_SCREENSHOT");
    if (!autoCloseSet && screenshot.isEmpty()) return;

    auto served = std::make_shared<int>(0);
    QObject::connect(&app, &CVorelApp::handOffServed, &app, [served] { ++*served; });
    QObject::connect(&app, &CVorelApp::idle, &app, [&app, served, autoClose, autoCloseSet, screenshot] {
        if (!screenshot.isEmpty()) {
            // Let the windows settle (layouts, scroll bars) before the picture is taken.
            // Side by side, as "並べて表示" lays them out, so every picture shows.
            app.MainFrame()->GetActions().windowTile->trigger();
            QTimer::singleShot(500, &app, [&app, screenshot] {
                app.MainFrame()->grab().save(screenshot);
                QCoreApplication::quit();
            });
            return;
        }
        if (autoCloseSet && *served >= autoClose && app.IsIdle())
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const std::optional<int> status = vorel::app::AnswerInfoOptions(argc, argv)) return *status;
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Talvard"));
    QApplication::setApplicationName(QStringLiteral("Vorel"));
    // The whole interface is Japanese; Qt's own buttons and dialogs follow it.
    const std::unique_ptr<QTranslator> qtJapanese = vorel::app::LoadQtJapanese();
    if (qtJapanese) QCoreApplication::installTranslator(qtJapanese.get());
    // Ties the windows to the installed desktop entry (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.talvard.vorel"));
    vorel::app::InstallMessageLogFromEnvironment();

    const QStringList files = FileArguments(QApplication::arguments());
    vorel::app::InstanceClaim claim = vorel::app::ClaimInstance(vorel::app::InstanceServerName());
    if (claim.role == vorel::app::InstanceRole::Second) {
        QString error;
        if (!vorel::app::HandOffToFirstCopy(*claim.peer, files, &error)) {
            std::fprintf(stderr, "vorel: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }

    UseJapaneseFont();
    // No start-up picture for a program run by another one (the switches), nor
    // under a test or screenshot run, where nobody would press a key to end it.
    const bool unattended = qEnvironmentVariableIsSet("VOREL_MESSAGE_LOG") ||
                            qEnvironmentVariableIsSet("VOREL_TEST_AUTOCLOSE") ||
                            qEnvironmentVariableIsSet("VOREL_TEST_SCREENSHOT");
    CSplashScreen::EnableSplashScreen(!SplashSuppressedBy(QApplication::arguments()) && !unattended);
    CVorelApp app(std::make_unique<vorel::QSettingsStore>());
    if (claim.server) {
        QObject::connect(claim.server.get(), &vorel::app::CInstanceServer::handOffReceived, &app,
                         &CVorelApp::OnHandOff);
    }
    InstallTestHooks(app);
    if (!app.InitInstance(files)) return 1;
    return QApplication::exec();
}
