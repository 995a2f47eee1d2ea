#pragma once

#include "platform/mapi/MapiDefs.h"

#include <QList>
#include <QString>

// One recipient as AddRecipients reads it from an address text.
struct TRwRecipient
{
    ULONG Type = MAPI_TO;
    QString DisplayName;
    QString AddressType;
    QString EmailAddress; // empty when not set
    friend bool operator==(const TRwRecipient &, const TRwRecipient &) = default;
};

// The address test: a non-empty local part, an at sign, and a domain of at least five
// characters with a "." before its last two; both parts of permitted characters only.
bool IsValidEmailAddress(const QString &text);

// One recipient's text: "Name <address>" (or [..], (..), with an optional "TYPE:" prefix),
// "/..." for an EX address, or a plain name or address.
TRwRecipient ParseRecipient(const QString &text, ULONG type);

// Every piece of a ";"-separated text; a blank last piece is skipped, a blank piece before
// a ";" raises "You can not add an empty recipient!".
QList<TRwRecipient> ParseRecipients(const QString &text, ULONG type);
