#pragma once

#include "app/IniFile.h"

#include <QString>

// The main window's settings file: the executable's path with ".ini", one section per
// workstation. Every read and write opens the file afresh; nothing is cached.
namespace SettingsKey {
inline const QString OperaADO = QStringLiteral("OperaADO");
inline const QString OperaDataFolder = QStringLiteral("OperaDataFolder");
inline const QString cboPrinter = QStringLiteral("cboPrinter");
inline const QString CompanyID = QStringLiteral("CompanyID");
inline const QString ESubject = QStringLiteral("ESubject");
inline const QString EMailBody = QStringLiteral("EMailBody");
inline const QString ShowDelNotes = QStringLiteral("ShowDelNotes");
} // namespace SettingsKey

namespace SettingsDefault {
inline const QString OperaADO = QStringLiteral("<None>");
inline const QString OperaDataFolder = QStringLiteral("<None>");
inline constexpr int cboPrinter = 0;
inline const QString CompanyID = QStringLiteral("Z");
inline const QString ESubject = QStringLiteral("Documents from ");
inline const QString EMailBody = QStringLiteral("The attached documents are PDF files, which can "
                                                "be read using Adobe Actobat Reader or similar");
inline const QString ShowDelNotes = QStringLiteral("N");
} // namespace SettingsDefault

// The executable's full path with its extension replaced by ".ini".
QString SettingsFilePath();

// The workstation code for a computer's network name: the name in capitals, with every
// character other than letters, digits, '-', '_' and '.' replaced by '_' so that it can
// always stand between the brackets of a section line. Host names are unique on a network
// and case-insensitive, so the code is stable on one computer and differs between computers.
QString WorkstationCodeFor(const QString &hostName);
// The code of this computer.
QString WorkstationCode();

// An integer setting: decimal with an optional sign, or hexadecimal after "0x"/"0X"; any
// other text, or a number outside 32 bits, yields the default.
int ParseIniInteger(const QString &text, int defaultValue);

// A multi-line text kept on one line: CR and LF are written as the two characters \r and \n,
// and a backslash is doubled where it would otherwise be read as one of those escapes (before
// 'r', 'n', another backslash, or at the end). Any other backslash stays as it is, so a
// single-line text with a path in it reads the same in a plain reader.
QString EncodeLineBreaks(const QString &text);
QString DecodeLineBreaks(const QString &stored);

class SettingsStore
{
public:
    SettingsStore(QString path, QString section);

    const QString &path() const { return m_file.path(); }
    const QString &section() const { return m_section; }

    // A missing file, section or key yields the default; a present empty value is empty.
    QString readText(const QString &key, const QString &defaultValue) const;
    int readInteger(const QString &key, int defaultValue) const;
    QString readMultiLine(const QString &key, const QString &defaultValue) const;

    // Each write goes to the file at once; a failure raises "Unable to write to <path>".
    void writeText(const QString &key, const QString &value) const;
    void writeInteger(const QString &key, int value) const;
    void writeMultiLine(const QString &key, const QString &value) const;

private:
    IniFile m_file;
    QString m_section;
};
