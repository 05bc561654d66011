// The program's message boxes: their buttons answer by role, and a box that
// opens under a command's hourglass shows the usual pointer.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QTimer>
#include <optional>

#include "ui/message_service.h"
#include "ui/wait_cursor.h"

namespace vorel {
namespace {

// Presses `which` in the next box that opens, noting the pointer shape it had
// (nothing when no override cursor was set).
void PressWhenShown(QMessageBox::StandardButton which, std::optional<Qt::CursorShape>* seen) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, which, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->button(which)) return;
        timer->stop();
        timer->deleteLater();
        const QCursor* cursor = QGuiApplication::overrideCursor();
        *seen = cursor ? std::optional<Qt::CursorShape>(cursor->shape()) : std::nullopt;
        box->button(which)->click();
    });
    timer->start();
}

TEST(MessageBoxes, ShowThePointerUnderTheHourglassAndGiveItBack) {
    BoxMessageService boxes;
    const struct {
        const char* name;
        bool waiting;   // a command's hourglass is up
        bool question;  // Ask rather than ShowMessage
        std::optional<Qt::CursorShape> inBox;
    } cases[] = {
        {"message while waiting", true, false, Qt::ArrowCursor},
        {"question while waiting", true, true, Qt::ArrowCursor},
        {"message", false, false, std::nullopt},
        {"question", false, true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<WaitCursor> wait;
        if (c.waiting) wait.emplace();
        std::optional<Qt::CursorShape> seen = Qt::BlankCursor;
        PressWhenShown(c.question ? QMessageBox::Cancel : QMessageBox::Ok, &seen);
        if (c.question) {
            EXPECT_EQ(boxes.Ask(QStringLiteral("?"), MessageButtons::OkCancel, MessageIcon::Exclamation),
                      MessageAnswer::Cancel);
        } else {
            boxes.ShowMessage(QStringLiteral("!"), MessageIcon::Exclamation);
        }
        EXPECT_EQ(seen, c.inBox);
        const QCursor* after = QGuiApplication::overrideCursor();
        if (c.waiting) {
            ASSERT_NE(after, nullptr);
            EXPECT_EQ(after->shape(), Qt::WaitCursor) << "the hourglass is back once the box is closed";
        } else {
            EXPECT_EQ(after, nullptr);
        }
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace vorel
