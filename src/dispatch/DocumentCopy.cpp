#include "dispatch/MailDispatch.h"

#include "util/Errors.h"

#include <QFile>

namespace {

constexpr qint64 BlockSize = 8192;

QString CannotOpen(const QString &path)
{
    return QStringLiteral("Cannot open file ") + path;
}

QString CannotCreate(const QString &path)
{
    return QStringLiteral("Cannot create file ") + path;
}

// Copies block by block until a block comes back short; the message of the first failure, or
// an empty text.
QString CopyBlocks(QFile &in, QFile &out)
{
    char block[BlockSize];
    for (;;) {
        const qint64 got = in.read(block, BlockSize);
        if (got < 0)
            return CannotOpen(in.fileName());
        if (got > 0 && out.write(block, got) != got)
            return CannotCreate(out.fileName());
        if (got < BlockSize)
            return {};
    }
}

} // namespace

void CopyDocumentFile(const QString &source, const QString &destination)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw Exception(CannotOpen(source));
    // NewOnly: whatever lies at the destination is never overwritten, nor removed below.
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw Exception(CannotCreate(destination));
    QString failure = CopyBlocks(in, out);
    out.close();
    if (failure.isEmpty() && out.error() != QFileDevice::NoError)
        failure = CannotCreate(destination);
    if (!failure.isEmpty()) {
        out.remove(); // the part this copy wrote
        throw Exception(failure);
    }
}
