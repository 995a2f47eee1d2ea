#include "util/MessageService.h"

namespace {

class SilentMessageService final : public MessageService
{
public:
    void showMessage(Kind, const QString &) override { }
    Answer askYesNo(const QString &) override { return Answer::No; }
    void beep() override { }
};

std::unique_ptr<MessageService> &current()
{
    static std::unique_ptr<MessageService> service = std::make_unique<SilentMessageService>();
    return service;
}

} // namespace

MessageService::Answer MessageService::askYesNoCancel(const QString &)
{
    return Answer::Cancel;
}

MessageService &MessageService::instance()
{
    return *current();
}

std::unique_ptr<MessageService> MessageService::install(std::unique_ptr<MessageService> service)
{
    if (!service)
        service = std::make_unique<SilentMessageService>();
    std::swap(current(), service);
    return service;
}

void ShowMessage(const QString &text)
{
    MessageService::instance().showMessage(MessageService::Kind::Information, text);
}

void ShowWarning(const QString &text)
{
    MessageService::instance().showMessage(MessageService::Kind::Warning, text);
}

void ShowError(const QString &text)
{
    MessageService::instance().showMessage(MessageService::Kind::Error, text);
}

bool AskYesNo(const QString &text)
{
    return MessageService::instance().askYesNo(text) == MessageService::Answer::Yes;
}

MessageService::Answer AskYesNoCancel(const QString &text)
{
    return MessageService::instance().askYesNoCancel(text);
}

void Beep()
{
    MessageService::instance().beep();
}

void ShowException(const Exception &error)
{
    ShowError(error.message());
}
