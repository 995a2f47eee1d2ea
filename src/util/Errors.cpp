#include "util/Errors.h"

Exception::Exception(QString message)
    : m_message(std::move(message))
    , m_utf8(m_message.toStdString())
{ }

EAbort::EAbort()
    : Exception(QStringLiteral("Operation aborted"))
{ }

EAbort::EAbort(QString message)
    : Exception(std::move(message))
{ }

void Abort()
{
    throw EAbort();
}
