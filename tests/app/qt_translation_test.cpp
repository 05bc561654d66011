// Qt's own texts in Japanese, and the message boxes still answering by button.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "app/qt_translation.h"
#include "ui/message_service.h"

namespace vorel::app {
namespace {

// Clicks the button of `which` in the next message box that opens.
void ClickWhenShown(QMessageBox::StandardButton which, QString* seenText) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, which, seenText] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->button(which)) return;
        timer->stop();
        timer->deleteLater();
        *seenText = box->button(which)->text();
        box->button(which)->click();
    });
    timer->start();
}

TEST(QtTranslation, ButtonsSpeakJapaneseAndStillAnswerByRole) {
    const std::unique_ptr<QTranslator> japanese = LoadQtJapanese();
    ASSERT_NE(japanese, nullptr) << "qtbase_ja.qm is missing: install qt6-translations-l10n";
    QCoreApplication::installTranslator(japanese.get());
    BoxMessageService boxes;
    const struct {
        MessageButtons buttons;
        QMessageBox::StandardButton click;
        MessageAnswer answer;
        const char* english;
        const char* japanese;  // as Qt's Japanese catalogue words it ("OK" is the same in both)
    } cases[] = {
        {MessageButtons::YesNo, QMessageBox::Yes, MessageAnswer::Yes, "&Yes", "はい(&Y)"},
        {MessageButtons::YesNo, QMessageBox::No, MessageAnswer::No, "&No", "いいえ(&N)"},
        {MessageButtons::OkCancel, QMessageBox::Ok, MessageAnswer::Ok, "OK", "OK"},
        {MessageButtons::OkCancel, QMessageBox::Cancel, MessageAnswer::Cancel, "Cancel", "キャンセル"},
    };
    for (const auto& c : cases) {
        QString text;
        ClickWhenShown(c.click, &text);
        EXPECT_EQ(boxes.Ask(QStringLiteral("?"), c.buttons, MessageIcon::Question), c.answer) << c.english;
        EXPECT_EQ(text, QString::fromUtf8(c.japanese)) << c.english << " -> " << text.toStdString();
    }
    QCoreApplication::removeTranslator(japanese.get());
}

}  // namespace
}  // namespace vorel::app
