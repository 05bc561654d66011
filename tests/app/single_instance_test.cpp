// One copy per user: the hand-off message on its own, and two real copies of
// the program talking over their socket (offscreen, with a private socket
// name, settings folder and message log each).
#include "app/single_instance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <cstring>

#include "app/handoff_message.h"
#include "app_test_support.h"

namespace vorel::testing {
namespace {

using app::EncodeHandOff;
using app::HandOffDecoder;

QByteArray Frame(const QByteArray& payload) {
    QByteArray framed(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), framed.data());
    return framed + payload;
}

TEST(HandOffMessage, ListsSurviveWholeEvenWhenTheyArriveByteByByte) {
    const QList<QStringList> cases{
        {},
        {QStringLiteral("/games/path with space/DATA.BIN")},
        {QStringLiteral("/ゲーム/ﾃﾞｰﾀ.BIN"), QString(), QStringLiteral("/x/\"quoted\".bin")},
    };
    for (const QStringList& files : cases) {
        const QByteArray message = EncodeHandOff(files);
        HandOffDecoder decoder;
        QStringList decoded{"untouched"};
        for (qsizetype i = 0; i + 1 < message.size(); ++i) {
            decoder.Append(message.mid(i, 1));
            ASSERT_EQ(decoder.Take(decoded), HandOffDecoder::Status::NeedMore);
        }
        decoder.Append(message.right(1));
        ASSERT_EQ(decoder.Take(decoded), HandOffDecoder::Status::Message);
        EXPECT_EQ(decoded, files);
    }
}

TEST(HandOffMessage, RefusesWhatItCannotTrust) {
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const QByteArray magic = QByteArray::fromHex("56524C31");
    const Case cases[] = {
        {"length beyond the limit", QByteArray::fromHex("7FFFFFFF")},
        {"wrong magic", Frame(QByteArray::fromHex("0000000000000000"))},
        {"more names than bytes", Frame(magic + QByteArray::fromHex("FFFFFFFF"))},
        {"name longer than the message", Frame(magic + QByteArray::fromHex("00000001000000FF41"))},
        {"bytes after the last name", Frame(magic + QByteArray::fromHex("000000000041"))},
    };
    for (const Case& c : cases) {
        HandOffDecoder decoder;
        decoder.Append(c.bytes);
        QStringList files;
        EXPECT_EQ(decoder.Take(files), HandOffDecoder::Status::Invalid) << c.name;
    }
    // A list too long to hand over is refused whole, never cut short.
    EXPECT_TRUE(EncodeHandOff({QString(app::kMaxHandOffBytes, u'x')}).isEmpty());
}

TEST(InstanceClaim, SocketLeftByADeadCopyIsReplaced) {
    QTemporaryDir dir;
    const QString name = QDir(dir.path()).filePath("sock");
    // A socket file nobody listens on, as a killed copy leaves behind.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(name));

    app::InstanceClaim first = app::ClaimInstance(name);
    EXPECT_EQ(first.role, app::InstanceRole::First);
    ASSERT_NE(first.server, nullptr);
    app::InstanceClaim second = app::ClaimInstance(name);
    EXPECT_EQ(second.role, app::InstanceRole::Second);
    EXPECT_NE(second.peer, nullptr);
}

// Two copies of the real program.
class TwoCopiesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        socket_ = Path("sock");
        QDir().mkpath(Path("runtime"));
    }
    void TearDown() override {
        for (QProcess* p : processes_) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
            delete p;
        }
    }

    QString Path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

    QString WriteFile(const QString& name, const Bytes& bytes) {
        const QString path = Path(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path;
    }

    // Starts a copy with its own message log; `autoClose` < 0 leaves it running.
    QProcess* Start(const QStringList& args, const QString& log, int autoClose, bool holdSearch = false) {
        auto* process = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VOREL_INSTANCE_NAME", socket_);
        env.insert("VOREL_MESSAGE_LOG", Path(log));
        env.insert("XDG_CONFIG_HOME", Path("config"));
        env.insert("XDG_RUNTIME_DIR", Path("runtime"));
        if (autoClose >= 0) env.insert("VOREL_TEST_AUTOCLOSE", QString::number(autoClose));
        if (holdSearch) env.insert("VOREL_TEST_HOLD_SEARCH", "1");
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(VOREL_EXE), args);
        EXPECT_TRUE(process->waitForStarted(10000));
        processes_.push_back(process);
        return process;
    }

    QStringList Log(const QString& log) const {
        QFile file(Path(log));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    static bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 60000) {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > timeoutMs) return false;
            QThread::msleep(20);
        }
        return true;
    }

    bool WaitForListening() {
        return WaitFor([this] { return QFileInfo::exists(socket_); });
    }

    QString socket_;

  private:
    QTemporaryDir dir_;
    std::vector<QProcess*> processes_;
};

TEST_F(TwoCopiesTest, SecondCopyHandsOverAPathWithASpaceAndEndsAfterTheSearch) {
    const QString file = WriteFile("dir with space/DA TA.BIN", TimFile(3));
    QProcess* first = Start({}, "first.log", 1);
    ASSERT_TRUE(WaitForListening());
    QProcess* second = Start({file}, "second.log", -1);
    ASSERT_TRUE(second->waitForFinished(60000));
    EXPECT_EQ(second->exitCode(), 0);
    // The first copy had searched the file before it let the second go.
    EXPECT_TRUE(Log("first.log").contains("INFO\t3 Images Find"));
    ASSERT_TRUE(first->waitForFinished(60000));
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(Log("first.log"),
              (QStringList{"HANDOFF\tnow\t" + file, "SEARCH\t" + file, "INFO\t3 Images Find"}));
    EXPECT_TRUE(Log("second.log").isEmpty());
}

TEST_F(TwoCopiesTest, HandOffDuringAStartUpSearchWaitsForThatSearch) {
    const QString many = WriteFile("MANY.BIN", ManySmallTims(2000));
    const QString small = WriteFile("SMALL.BIN", TimFile(2));
    // The first copy holds its search until the hand-off is in, however slowly the second starts.
    QProcess* first = Start({many}, "first.log", 1, true);
    ASSERT_TRUE(WaitFor([this, &many] { return Log("first.log").contains("SEARCH\t" + many); }));
    QProcess* second = Start({small}, "second.log", -1);
    ASSERT_TRUE(second->waitForFinished(120000));
    EXPECT_EQ(second->exitCode(), 0);
    ASSERT_TRUE(first->waitForFinished(60000));
    EXPECT_EQ(Log("first.log"),
              (QStringList{"SEARCH\t" + many, "HANDOFF\tqueued\t" + small, "INFO\t2000 Images Find",
                           "SEARCH\t" + small, "INFO\t2 Images Find"}));
}

TEST_F(TwoCopiesTest, SecondCopyWithoutFilesOnlyWakesTheFirst) {
    QProcess* first = Start({}, "first.log", 1);
    ASSERT_TRUE(WaitForListening());
    QProcess* second = Start({}, "second.log", -1);
    ASSERT_TRUE(second->waitForFinished(60000));
    EXPECT_EQ(second->exitCode(), 0);
    ASSERT_TRUE(first->waitForFinished(60000));
    EXPECT_EQ(Log("first.log"), QStringList{"HANDOFF\tnow"});
}

TEST_F(TwoCopiesTest, CopyStartedAfterAKilledOneBecomesTheFirst) {
    QProcess* dead = Start({}, "dead.log", -1);
    ASSERT_TRUE(WaitForListening());
    dead->kill();
    ASSERT_TRUE(dead->waitForFinished(10000));
    ASSERT_TRUE(QFileInfo::exists(socket_));  // left behind

    const QString file = WriteFile("ONE.BIN", TimFile(1));
    QProcess* next = Start({file}, "next.log", 0);
    ASSERT_TRUE(next->waitForFinished(60000));
    EXPECT_EQ(next->exitCode(), 0);
    EXPECT_EQ(Log("next.log"), (QStringList{"SEARCH\t" + file, "INFO\t1 Images Find"}));
}

TEST_F(TwoCopiesTest, HandedOverNameThatDoesNotExistIsReportedByTheFirstCopy) {
    QProcess* first = Start({}, "first.log", 1);
    ASSERT_TRUE(WaitForListening());
    const QString missing = Path("missing.bin");
    QProcess* second = Start({missing}, "second.log", -1);
    ASSERT_TRUE(second->waitForFinished(60000));
    ASSERT_TRUE(first->waitForFinished(60000));
    EXPECT_EQ(Log("first.log"),
              (QStringList{"HANDOFF\tnow\t" + missing,
                           "EXCLAMATION\t" + missing +
                               QStringLiteral("\\n指定したﾊﾟｽ名またはﾌｧｲﾙ名がみつかりません。")}));
}

}  // namespace
}  // namespace vorel::testing
