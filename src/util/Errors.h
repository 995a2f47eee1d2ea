#pragma once

#include <QString>

#include <exception>
#include <string>

// The one framework error class: every failure is an Exception carrying its message.
class Exception : public std::exception
{
public:
    explicit Exception(QString message);

    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

    // Abort-kind errors end an action silently where the caller says so
    // (a failed check that has already told the user, a cancelled dialog).
    virtual bool isAbort() const { return false; }

private:
    QString m_message;
    std::string m_utf8;
};

// The abort error: raised after a failed check has shown its message.
class EAbort : public Exception
{
public:
    EAbort();
    explicit EAbort(QString message);

    bool isAbort() const override { return true; }
};

// Raises the abort error.
[[noreturn]] void Abort();
