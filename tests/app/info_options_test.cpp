// vorel --help and --version answer on stdout without a display, as the man page
// is made from them while building; every other option leaves the program to start.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

namespace {

struct InfoCase {
    QStringList args;
    const char* expected;  // the whole answer, or its first line for help
    bool whole;
};

TEST(InfoOptionsTest, AnswersWithoutADisplay) {
    const InfoCase cases[] = {
        {{QStringLiteral("--version")}, "vorel " VOREL_VERSION "\n", true},
        {{QStringLiteral("-v")}, "vorel " VOREL_VERSION "\n", true},
        // Words of the command line that are not these options take no part.
        {{QStringLiteral("-Embedding"), QStringLiteral("--version"), QStringLiteral("file.bin")},
         "vorel " VOREL_VERSION "\n", true},
        {{QStringLiteral("--help")}, "Usage: ", false},
        {{QStringLiteral("-h")}, "Usage: ", false},
        {{QStringLiteral("-?")}, "Usage: ", false},
        {{QStringLiteral("--help"), QStringLiteral("--version")}, "Usage: ", false},
    };
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The X11 platform with no X server: starting the window system would end the program with an error.
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VOREL_EXE), c.args);
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        if (c.whole) {
            EXPECT_EQ(out, QString::fromUtf8(c.expected));
        } else {
            EXPECT_TRUE(out.startsWith(QString::fromUtf8(c.expected))) << out.toStdString();
            for (const char* option : {"-h, --help", "-v, --version", "FILE"})
                EXPECT_TRUE(out.contains(QLatin1StringView(option))) << option;
        }
    }
}

}  // namespace
