#pragma once

#include "platform/shell/DocumentVerbs.h"

#include <QHash>
#include <QList>

// Document verbs for tests: records every request and answers from a script. Unless a code is
// scripted for the file, a file that does not exist answers FileNotFound (as the desktop's verbs
// do) and any other request is accepted.
class ScriptedVerbs final : public DocumentVerbs
{
public:
    struct Call
    {
        QString verb;
        QString file;
        QString parameters;
        QString directory;
        VerbShow show;
    };

    int execute(const QString &verb, const QString &file, const QString &parameters,
        const QString &directory, VerbShow show) override;
    // An accepted print request's job is its call's number, "job-<n>".
    QString lastPrintJob() const override { return m_lastPrintJob; }

    void answer(const QString &file, int code) { m_codes.insert(file, code); }

    QList<Call> calls;
    bool missingFilesFail = true;

private:
    QHash<QString, int> m_codes;
    QString m_lastPrintJob;
};

// Installs a ScriptedVerbs for the lifetime of the guard.
class ScopedVerbs
{
public:
    ScopedVerbs();
    ~ScopedVerbs();
    ScopedVerbs(const ScopedVerbs &) = delete;
    ScopedVerbs &operator=(const ScopedVerbs &) = delete;

    ScriptedVerbs *operator->() { return m_verbs; }
    ScriptedVerbs &operator*() { return *m_verbs; }

private:
    ScriptedVerbs *m_verbs;
    std::unique_ptr<DocumentVerbs> m_previous;
};
