#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

#include <optional>

// One hive of the registry stand-in held in memory: key paths (backslash-separated,
// letter case ignored) mapped to their named values. A value is a text (REG_SZ) or an
// unsigned 32-bit number (REG_DWORD); the empty name is the key's default value.
class RegistryHive
{
public:
    struct Value
    {
        enum class Type { String, DWord };
        Type type = Type::String;
        QString text;
        quint32 number = 0;
    };
    using Values = QMap<QString, Value>; // keyed by the folded value name

    // A path with separators collapsed and no leading or trailing backslash.
    static QString normalPath(const QString &path);

    bool hasKey(const QString &path) const;
    // Creates the key and every missing level above it.
    void createKey(const QString &path);
    void deleteKey(const QString &path); // the key and its subkeys
    QStringList subKeyNames(const QString &path) const;

    std::optional<Value> value(const QString &path, const QString &name) const;
    QStringList valueNames(const QString &path) const;
    void setValue(const QString &path, const QString &name, const Value &value);
    void deleteValue(const QString &path, const QString &name);

    // JSON form: {"keys": {"A\\B": {"Name": "text" | {"dword": n}, ...}, ...}}; a null value
    // or key in a file read with mergeJson removes that value or key.
    QByteArray toJson() const;
    // Returns false (and changes nothing) when the text is not such a document.
    bool mergeJson(const QByteArray &json);

private:
    struct Key
    {
        QString path; // as first written
        QMap<QString, QString> names; // folded name -> name as written
        Values values;
    };
    static QString fold(const QString &text) { return text.toCaseFolded(); }
    const Key *find(const QString &path) const;

    QMap<QString, Key> m_keys; // folded normal path -> key
};
