#include "dispatch/MailDispatch.h"

#include "util/Errors.h"

#include <QFile>

namespace {

constexpr qint64 BlockSize = 8192;

[[noreturn]] void CannotOpen(const QString &path)
{
    throw Exception(QStringLiteral("Cannot open file ") + path);
}

[[noreturn]] void CannotCreate(QFile &partial, const QString &path)
{
    if (partial.isOpen())
        partial.remove();
    throw Exception(QStringLiteral("Cannot create file ") + path);
}

} // namespace

void CopyDocumentFile(const QString &source, const QString &destination)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        CannotOpen(source);
    // NewOnly: whatever lies at the destination is never overwritten.
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        CannotCreate(out, destination);
    char block[BlockSize];
    for (;;) {
        const qint64 got = in.read(block, BlockSize);
        if (got < 0) {
            out.remove();
            CannotOpen(source);
        }
        if (got > 0 && out.write(block, got) != got)
            CannotCreate(out, destination);
        if (got < BlockSize)
            break;
    }
    out.close();
    if (out.error() != QFileDevice::NoError) {
        out.remove();
        throw Exception(QStringLiteral("Cannot create file ") + destination);
    }
}
