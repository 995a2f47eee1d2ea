#pragma once

#include "platform/mapi/MapiDefs.h"

#include <QByteArray>
#include <QString>

// The library's buffer chains (MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer)
// and helpers that copy texts and bytes into a chain.
namespace mapimem {

SCODE allocateBuffer(ULONG size, void **buffer);
SCODE allocateMore(ULONG size, void *root, void **buffer);
ULONG freeBuffer(void *buffer);

// Copies into blocks chained to root; null on failure.
char *copyUtf8(const QString &text, void *root);
char16_t *copyUtf16(const QString &text, void *root);
uint8_t *copyBytes(const QByteArray &bytes, void *root);

} // namespace mapimem
