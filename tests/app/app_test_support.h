// The windowed program under test: a real CVorelApp with its main window, an
// in-memory settings store and a scripted message service, plus files of
// known images written to a private folder.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "app/child_frame.h"
#include "app/doc_template.h"
#include "app/main_frame.h"
#include "ui/message_service.h"
#include "app/vorel_app.h"
#include "sample_builders/sample_builders.h"
#include "search/settings.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) *os << (i ? ", \"" : "\"") << list.at(i).toStdString() << '"';
    *os << '}';
}

namespace vorel::testing {

using Bytes = std::vector<std::uint8_t>;

// Filler between images: no byte of it can start a TIM (0x10) or a bitmap header (0x28).
inline void AppendFiller(Bytes& out, std::size_t count) {
    out.insert(out.end(), count, 0xEE);
}

inline void Append(Bytes& out, const Bytes& part) {
    out.insert(out.end(), part.begin(), part.end());
}

// `count` small 16-bit TIMs of distinct sizes, separated by filler.
inline Bytes TimFile(int count, int firstWidth = 8) {
    Bytes out;
    AppendFiller(out, 16);
    for (int i = 0; i < count; ++i) {
        Append(out, samples::MakeTim(2, firstWidth + 2 * i, 4 + i, 1, static_cast<std::uint32_t>(i + 1)));
        AppendFiller(out, 7);
    }
    return out;
}

// One 16-bit TIM of the given size alone in its file (`seed` varies its pixels).
inline Bytes OneTim(int width, int height, std::uint32_t seed = 9) {
    Bytes out;
    AppendFiller(out, 8);
    Append(out, samples::MakeTim(2, width, height, 1, seed));
    AppendFiller(out, 8);
    return out;
}

// `count` TIMs of 8 x 8 pixels: many windows from a small file.
inline Bytes ManySmallTims(int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) {
        Append(out, samples::MakeTim(2, 8, 8, 1, static_cast<std::uint32_t>(i + 1)));
        AppendFiller(out, 5);
    }
    return out;
}

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        SetMessageService(&messages);
        auto store = std::make_unique<MemorySettingsStore>();
        store_ = store.get();
        app = std::make_unique<CVorelApp>(std::move(store));
        ASSERT_TRUE(app->InitInstance({}));
        frame = app->MainFrame();
        WaitIdle();
    }

    void TearDown() override {
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetMessageService(nullptr);
    }

    MemorySettingsStore& Store() { return *store_; }

    QString WriteFile(const QString& name, const Bytes& bytes) {
        const QString path = QDir(dir_.path()).filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path;
    }
    QString PathIn(const QString& name) const { return QDir(dir_.path()).filePath(name); }

    // Lets queued searches (drops, hand-offs) run until nothing is left.
    void WaitIdle(int timeoutMs = 30000) {
        QElapsedTimer clock;
        clock.start();
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } while (!app->IsIdle() && clock.elapsed() < timeoutMs);
        // One more turn for the drain the last run scheduled.
        QCoreApplication::processEvents();
    }

    QStringList Titles() const {
        QStringList titles;
        for (const CChildFrame* f : app->DocTemplate()->Frames()) titles << f->windowTitle();
        return titles;
    }
    QStringList MessageTexts() const {
        QStringList texts;
        for (const auto& m : messages.shown) texts << m.text;
        return texts;
    }

    // Runs `action` at every turn of the event loop while a search shows its
    // progress box, until it returns true.
    void DuringSearch(std::function<bool(CProgressDlg*)> action) {
        auto* timer = new QTimer(app.get());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, action] {
            if (CProgressDlg* progress = app->ProgressDialog(); progress && action(progress)) {
                timer->stop();
                timer->deleteLater();
            }
        });
        timer->start();
    }

    ScriptedMessageService messages;
    std::unique_ptr<CVorelApp> app;
    CMainFrame* frame = nullptr;

  private:
    QTemporaryDir dir_;
    MemorySettingsStore* store_ = nullptr;
};

}  // namespace vorel::testing
