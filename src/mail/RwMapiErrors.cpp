#include "mail/RwMapiErrors.h"

#include <utility>

ERwMapiException::ERwMapiException(QString message, HRESULT code)
    : Exception(std::move(message))
    , m_code(code)
{ }

EMAPI_USER_CANCEL::EMAPI_USER_CANCEL(QString message)
    : ERwMapiException(std::move(message), MAPI_E_USER_CANCEL)
{ }

ERwSimpleMapiException::ERwSimpleMapiException(ULONG code)
    : ERwMapiException(SimpleMapiErrorText(code), HRESULT(code))
{ }

QString MapiErrorDescription(HRESULT code)
{
    switch (code) {
    case MAPI_E_LOGON_FAILED:
        return QStringLiteral("The logon did not succeed, either because one or more of the "
                              "logon-parameters were invalid \r\nor because there were too many "
                              "sessions open already.");
    case MAPI_E_USER_CANCEL:
        return QStringLiteral("The user canceled the operation, typically by clicking the Cancel "
                              "button in a dialog box.");
    case MAPI_E_NOT_FOUND:
        return QStringLiteral("The requested object does not exist.");
    case MAPI_E_UNKNOWN_FLAGS:
    case E_INVALIDARG:
        return QStringLiteral("The caller passed an invalid parameter or flag.");
    case MAPI_E_INVALID_ENTRYID:
        return QStringLiteral("The given EntryID is not a valid EntryID!");
    case MAPI_E_UNKNOWN_ENTRYID:
        return QStringLiteral("The given EntryID could not be located.");
    case MAPI_E_INVALID_OBJECT:
        return QStringLiteral("MAPI_INVALID_OBJECT");
    case MAPI_E_NO_ACCESS:
        return QStringLiteral("The caller does not have sufficient access rights to perform the "
                              "requested operation.");
    case MAPI_E_NOT_ENOUGH_RESOURCES:
        return QStringLiteral("Not enough system resources were available to complete the "
                              "operation.");
    case MAPI_E_BAD_CHARWIDTH:
        return QStringLiteral("Either the MAPI_UNICODE flag was set and the implementation does "
                              "not support Unicode,\r\nor MAPI_UNICODE was not set and the "
                              "implementation only supports Unicode.");
    case MAPI_E_TIMEOUT:
        return QStringLiteral("A TimeOut has occurred.");
    case MAPI_E_UNKNOWN_CPID:
        return QStringLiteral("The server is not configured to support the client''s code page.");
    case MAPI_E_UNKNOWN_LCID:
        return QStringLiteral("The server is not configured to support the client''s locale "
                              "information.");
    case MAPI_E_PROFILE_UNRESOLVED:
        return QStringLiteral("The name specified for PR_PROFILE_UNRESOLVED_NAME is incorrect, "
                              "invalid, or otherwise not found.");
    case MAPI_W_ERRORS_RETURNED:
        return QStringLiteral("MAPI_W_ERRORS_RETURNED");
    case E_FAIL:
        return QStringLiteral("MAPI_E_CALL_FAILED");
    case E_OUTOFMEMORY:
        return QStringLiteral("MAPI_E_NOT_ENOUGH_MEMORY");
    case E_NOINTERFACE:
        return QStringLiteral("MAPI_E_INTERFACE_NOT_SUPPORTED");
    case MAPI_E_NO_SUPPORT:
        return QStringLiteral("MAPI_E_NO_SUPPORT");
    case MAPI_E_VERSION:
        return QStringLiteral("MAPI_E_VERSION");
    case MAPI_E_SESSION_LIMIT:
        return QStringLiteral("MAPI_E_SESSION_LIMIT");
    case MAPI_E_NETWORK_ERROR:
        return QStringLiteral("MAPI_E_NETWORK_ERROR");
    case MAPI_E_TOO_COMPLEX:
        return QStringLiteral("MAPI_E_TOO_COMPLEX");
    case MAPI_E_CORRUPT_DATA:
        return QStringLiteral("MAPI_E_CORRUPT_DATA");
    case MAPI_E_NOT_INITIALIZED:
        return QStringLiteral("MAPI_E_NOT_INITIALIZED");
    case MAPI_E_NO_RECIPIENTS:
        return QStringLiteral("MAPI_E_NO_RECIPIENTS");
    case MAPI_E_AMBIGUOUS_RECIP:
        return QStringLiteral("MAPI_E_AMBIGUOUS_RECIP");
    default:
        return QStringLiteral("<unknown>");
    }
}

QString MapiErrorMessage(const QString &className, const QString &operation, HRESULT code)
{
    return className + QLatin1Char('.') + operation
        + QStringLiteral(" has raised the following exception:\r\n") + MapiErrorDescription(code)
        + QStringLiteral(" (") + QString::number(code) + QLatin1Char(')');
}

QString SimpleMapiErrorText(ULONG code)
{
    static const char *const texts[] = {
        nullptr,
        "The user cancelled the action.",
        "One or more errors occurred while executing this action.",
        "Failed to logon.",
        "The action failed, because there is not enough free space on the disk.",
        "The action failed, because there is not enough free memory.",
        "The action failed, because access was denied.",
        nullptr,
        "The action failed, because there are too may sessions open.",
        "The action failed, because there are too many files open.",
        "The action failed, because there are too many recipients.",
        "The action failed, because the given attachment was not found.",
        "The action failed, because the given attachment could not be opened.",
        "The action failed, because the given attachment coult not be saved.",
        "The action failed, because there is an unresolved recipient.",
        "The action failed, because of an invalid recipienttype",
        "The action failed, because there are no messages.",
        "The action failed, because of an invalid message.",
        "The action failed, because the messagetext is too large.",
        "The action failed, because of an invalid session.",
        "The action failed, because of an unsupported type.",
        "The action failed, because of an ambiguous recipient.",
        "The action failed, because the message is in use.",
        "The action failed, because of a network failure.",
        "The action failed, because of invalid editfields.",
        "The action failed, because of invalid recipients.",
        "The action is not supported by Simple MAPI.",
    };
    if (code < std::size(texts) && texts[code])
        return QString::fromLatin1(texts[code]);
    return QStringLiteral("Unknown error");
}

void RaiseMapiError(const QString &className, const QString &operation, HRESULT code)
{
    const QString message = MapiErrorMessage(className, operation, code);
    if (code == MAPI_E_USER_CANCEL)
        throw EMAPI_USER_CANCEL(message);
    throw ERwMapiException(message, code);
}
