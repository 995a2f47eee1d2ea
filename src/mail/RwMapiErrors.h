#pragma once

#include "platform/mapi/MapiDefs.h"
#include "util/Errors.h"

// Errors of the mail session and its objects. Each carries the MAPI result code (or, in
// Simple mode, the Simple MAPI code) it was raised for.
class ERwMapiException : public Exception
{
public:
    ERwMapiException(QString message, HRESULT code);
    HRESULT code() const { return m_code; }

private:
    HRESULT m_code;
};

// The user cancelled a MAPI dialog: an abort-kind error, silent where aborts are.
class EMAPI_USER_CANCEL : public ERwMapiException
{
public:
    explicit EMAPI_USER_CANCEL(QString message);
    bool isAbort() const override { return true; }
};

// A non-zero answer of a Simple MAPI function.
class ERwSimpleMapiException : public ERwMapiException
{
public:
    explicit ERwSimpleMapiException(ULONG code);
};

// Loading, initialising or addressing the MAPI library failed.
class ERwMapiLoadException : public ERwMapiException
{
public:
    using ERwMapiException::ERwMapiException;
};

// The description of a MAPI code in error messages: its sentence, its published name,
// or "<unknown>".
QString MapiErrorDescription(HRESULT code);
// "<class>.<operation> has raised the following exception:\r\n<description> (<code>)"
QString MapiErrorMessage(const QString &className, const QString &operation, HRESULT code);
QString SimpleMapiErrorText(ULONG code);

// Raises the error for a failed call (EMAPI_USER_CANCEL for MAPI_E_USER_CANCEL).
[[noreturn]] void RaiseMapiError(const QString &className, const QString &operation, HRESULT code);
