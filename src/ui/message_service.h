// Every message box and question of the program goes through one service, so
// that tests can script the answers and never block on a modal box. It lives
// below every ui folder, so that each of them may include it.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace vorel {

enum class MessageIcon { Information, Exclamation, Question };
enum class MessageButtons { Ok, YesNo, OkCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class IMessageService {
public:
    virtual ~IMessageService() = default;
    // A message with an OK button (caption "Vorel").
    virtual void ShowMessage(const QString& text, MessageIcon icon) = 0;
    // A question; returns the button pressed.
    virtual MessageAnswer Ask(const QString& text, MessageButtons buttons, MessageIcon icon) = 0;
    // A Yes/No question with a check box labelled `checkText`; `checked` gives its
    // state when the box opens and takes it when the box closes.
    virtual MessageAnswer AskWithCheckBox(const QString& text, const QString& checkText, bool& checked) = 0;
};

// Real message boxes, captioned "Vorel", parented to the active window.
class BoxMessageService : public IMessageService {
public:
    void ShowMessage(const QString& text, MessageIcon icon) override;
    MessageAnswer Ask(const QString& text, MessageButtons buttons, MessageIcon icon) override;
    MessageAnswer AskWithCheckBox(const QString& text, const QString& checkText, bool& checked) override;
};

// Records every message and answers questions from a script (tests).
class ScriptedMessageService : public IMessageService {
public:
    struct Shown {
        QString text;
        MessageIcon icon;
    };
    void ShowMessage(const QString& text, MessageIcon icon) override { shown.push_back({text, icon}); }
    MessageAnswer Ask(const QString& text, MessageButtons buttons, MessageIcon icon) override;
    MessageAnswer AskWithCheckBox(const QString& text, const QString& checkText, bool& checked) override;

    std::vector<Shown> shown;          // messages and questions, in order
    std::vector<MessageAnswer> answers;  // consumed front first; when empty, Yes/Ok
    std::vector<bool> checks;            // check-box states the user leaves, front first; when empty, as shown
};

// The service the program uses; tests replace it.
IMessageService& Messages();
void SetMessageService(IMessageService* service);  // null restores the real boxes

}  // namespace vorel
