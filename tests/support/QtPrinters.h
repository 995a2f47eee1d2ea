#pragma once

#include <QString>

#include <ostream>

// Failed comparisons of texts print the text, not its UTF-16 code units.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
