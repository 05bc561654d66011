#include "ui/message_service.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>

namespace vorel {
namespace {

QMessageBox::Icon ToBoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Exclamation: return QMessageBox::Warning;
        case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

IMessageService* g_service = nullptr;

// A box that opens while a command shows the hourglass (a failed turn, a
// refused copy) gets the usual pointer for its buttons; the hourglass comes
// back when it closes.
class ArrowWhileWaiting {
  public:
    ArrowWhileWaiting() : pushed_(QGuiApplication::overrideCursor() != nullptr) {
        if (pushed_) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileWaiting() {
        if (pushed_) QGuiApplication::restoreOverrideCursor();
    }
    ArrowWhileWaiting(const ArrowWhileWaiting&) = delete;
    ArrowWhileWaiting& operator=(const ArrowWhileWaiting&) = delete;

  private:
    bool pushed_;
};

}  // namespace

void BoxMessageService::ShowMessage(const QString& text, MessageIcon icon) {
    const ArrowWhileWaiting arrow;
    QMessageBox box(ToBoxIcon(icon), QStringLiteral("Vorel"), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

MessageAnswer BoxMessageService::Ask(const QString& text, MessageButtons buttons, MessageIcon icon) {
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    if (buttons == MessageButtons::YesNo) standard = QMessageBox::Yes | QMessageBox::No;
    if (buttons == MessageButtons::OkCancel) standard = QMessageBox::Ok | QMessageBox::Cancel;
    const ArrowWhileWaiting arrow;
    QMessageBox box(ToBoxIcon(icon), QStringLiteral("Vorel"), text, standard, QApplication::activeWindow());
    switch (box.exec()) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        case QMessageBox::Cancel: return MessageAnswer::Cancel;
        default: return MessageAnswer::Ok;
    }
}

MessageAnswer BoxMessageService::AskWithCheckBox(const QString& text, const QString& checkText, bool& checked) {
    const ArrowWhileWaiting arrow;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vorel"), text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    auto* check = new QCheckBox(checkText, &box);
    check->setAccessibleName(checkText);
    check->setChecked(checked);
    box.setCheckBox(check);
    const int answer = box.exec();
    checked = check->isChecked();
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

MessageAnswer ScriptedMessageService::AskWithCheckBox(const QString& text, const QString& checkText, bool& checked) {
    if (!checks.empty()) {
        checked = checks.front();
        checks.erase(checks.begin());
    }
    return Ask(text + QStringLiteral("\n[") + (checked ? u'x' : u' ') + QStringLiteral("] ") + checkText,
               MessageButtons::YesNo, MessageIcon::Question);
}

MessageAnswer ScriptedMessageService::Ask(const QString& text, MessageButtons buttons, MessageIcon icon) {
    shown.push_back({text, icon});
    if (answers.empty()) return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    const MessageAnswer answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

IMessageService& Messages() {
    static BoxMessageService boxes;
    return g_service ? *g_service : boxes;
}

void SetMessageService(IMessageService* service) { g_service = service; }

}  // namespace vorel
