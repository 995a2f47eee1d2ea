#pragma once

#include "util/MessageService.h"

#include <QList>
#include <QString>

#include <deque>
#include <memory>

// Records every box and beep and answers questions from a script (No when the script is empty).
class ScriptedMessageService final : public MessageService
{
public:
    struct Entry
    {
        Kind kind;
        QString text;
        bool question = false;
    };

    void showMessage(Kind kind, const QString &text) override;
    Answer askYesNo(const QString &text) override;
    // Recorded as a Question entry.
    Answer askYesNoCancel(const QString &text) override;
    void beep() override { ++beeps; }

    void setNextAnswer(Answer answer) { m_answers.push_back(answer); }
    QStringList texts() const;

    QList<Entry> entries;
    int beeps = 0;

private:
    Answer nextAnswer();

    std::deque<Answer> m_answers;
};

// Installs a ScriptedMessageService for the lifetime of the guard.
class ScopedMessages
{
public:
    ScopedMessages();
    ~ScopedMessages();
    ScopedMessages(const ScopedMessages &) = delete;
    ScopedMessages &operator=(const ScopedMessages &) = delete;

    ScriptedMessageService *operator->() { return m_service; }
    ScriptedMessageService &operator*() { return *m_service; }

private:
    ScriptedMessageService *m_service;
    std::unique_ptr<MessageService> m_previous;
};
