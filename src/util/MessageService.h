#pragma once

#include <QString>

#include <memory>

// Every message box, question and beep of the program passes through this service, so that
// window logic can be driven by tests without a modal box. The widget implementation lives in
// components/; tests install a scripted one.
class MessageService
{
public:
    enum class Kind { Information, Warning, Error, Question };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~MessageService() = default;

    // A plain box with an OK button.
    virtual void showMessage(Kind kind, const QString &text) = 0;
    // A warning box with Yes and No; returns Yes or No.
    virtual Answer askYesNo(const QString &text) = 0;
    // A question box with Yes, No and Cancel; returns one of them. A service that cannot ask
    // answers Cancel.
    virtual Answer askYesNoCancel(const QString &text);
    virtual void beep() = 0;

    // The service in force; never null (a silent default answers No).
    static MessageService &instance();
    // Installs a service and returns the previous one (ownership passes back to the caller).
    static std::unique_ptr<MessageService> install(std::unique_ptr<MessageService> service);
};

// Shorthands for the common boxes.
void ShowMessage(const QString &text); // information, OK
void ShowWarning(const QString &text); // warning, OK
void ShowError(const QString &text); // error, OK
bool AskYesNo(const QString &text); // warning, Yes/No
MessageService::Answer AskYesNoCancel(const QString &text); // question, Yes/No/Cancel
void Beep();

class Exception;
// The application's standard error display: an error box with the error's message.
void ShowException(const Exception &error);
// Runs an action; an error that escapes it is shown by the standard error display,
// abort-kind errors silently. Returns false when an error ended the action.
template <typename Action> bool RunGuarded(Action &&action);

#include "util/Errors.h"

template <typename Action> bool RunGuarded(Action &&action)
{
    try {
        action();
        return true;
    } catch (const Exception &error) {
        if (!error.isAbort())
            ShowException(error);
    } catch (const std::exception &error) {
        ShowError(QString::fromUtf8(error.what()));
    }
    return false;
}
