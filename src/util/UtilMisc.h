#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Text and number helpers shared by every layer.

// A text is blank when it is empty after trimming blanks.
bool IsBlank(const QString &text);
// A number or date number is blank when it is 0.
bool IsBlank(double value);

// Fixed-point with "." as decimal point, no thousands separators, no padding.
QString FormatNumber(double value, int decimals);

// Reads a number after dropping every character other than digits and "."; an empty rest is 0.
// Signs are dropped too, so "-12.5" reads as 12.5.
double ReadNumber(const QString &text);

// Replaces every occurrence; the search starts again from the beginning after each replacement,
// so a run of repeated search texts collapses completely ("\\\\\\" -> "\\").
// A replacement that contains the search text would never end: it is applied once per occurrence
// of the original text instead.
QString ReplaceAll(const QString &text, const QString &search, const QString &replacement);

// Splits at a separator; pieces keep their blanks, and only a trailing empty piece is dropped.
QStringList SplitText(const QString &text, const QString &separator);
QString JoinList(const QStringList &items, const QString &separator);

// A date as "yyyymmdd".
QString DateKey(const QDate &date);

// The program file's name without its extension.
QString ExeBaseName();

// Date numbers: days since 30 December 1899 as a double, the fraction the time of day; 0 = none.
QDate DateFromNumber(double value);
double NumberFromDate(const QDate &date);
