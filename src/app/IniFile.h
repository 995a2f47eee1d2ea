#pragma once

#include <QString>

#include <optional>

// A small initialisation-file reader and writer. Sections and keys are found without regard
// to letter case. A write changes only the one line of its key (or adds it) and keeps every
// other byte of the file as it was, so foreign sections, comments and unknown keys survive.
//
// Values are trimmed of surrounding blanks on reading and a surrounding pair of double quotes
// is removed; a value that would otherwise lose blanks or quotes is written quoted.
class IniFile
{
public:
    explicit IniFile(QString path);

    const QString &path() const { return m_path; }

    // The value of a key, or nothing when the file, the section or the key is missing.
    std::optional<QString> read(const QString &section, const QString &key) const;
    // Writes one key at once. Raises "Unable to write to <path>" when the file cannot be
    // written; a value holding a line break is refused (it would break the file's lines).
    void write(const QString &section, const QString &key, const QString &value) const;

    // The text of a value as written after "key=", and back.
    static QString quoteValue(const QString &value);
    static QString unquoteValue(const QString &stored);

private:
    QString m_path;
};
