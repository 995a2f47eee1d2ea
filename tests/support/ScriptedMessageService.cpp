#include "support/ScriptedMessageService.h"

void ScriptedMessageService::showMessage(Kind kind, const QString &text)
{
    entries.append({ kind, text, false });
}

MessageService::Answer ScriptedMessageService::askYesNo(const QString &text)
{
    entries.append({ Kind::Warning, text, true });
    return nextAnswer();
}

MessageService::Answer ScriptedMessageService::askYesNoCancel(const QString &text)
{
    entries.append({ Kind::Question, text, true });
    return nextAnswer();
}

MessageService::Answer ScriptedMessageService::nextAnswer()
{
    if (m_answers.empty())
        return Answer::No;
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QStringList ScriptedMessageService::texts() const
{
    QStringList result;
    for (const Entry &entry : entries)
        result.append(entry.text);
    return result;
}

ScopedMessages::ScopedMessages()
{
    auto service = std::make_unique<ScriptedMessageService>();
    m_service = service.get();
    m_previous = MessageService::install(std::move(service));
}

ScopedMessages::~ScopedMessages()
{
    MessageService::install(std::move(m_previous));
}
