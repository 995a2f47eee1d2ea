#include "platform/registry/RegistryHive.h"

#include <QJsonDocument>
#include <QJsonObject>

QString RegistryHive::normalPath(const QString &path)
{
    QStringList parts;
    for (const QString &part : path.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        parts << part;
    return parts.join(QLatin1Char('\\'));
}

const RegistryHive::Key *RegistryHive::find(const QString &path) const
{
    auto it = m_keys.constFind(fold(normalPath(path)));
    return it == m_keys.constEnd() ? nullptr : &it.value();
}

bool RegistryHive::hasKey(const QString &path) const
{
    return normalPath(path).isEmpty() || find(path) != nullptr;
}

void RegistryHive::createKey(const QString &path)
{
    const QStringList parts = normalPath(path).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString current;
    for (const QString &part : parts) {
        current = current.isEmpty() ? part : current + QLatin1Char('\\') + part;
        Key &key = m_keys[fold(current)];
        if (key.path.isEmpty())
            key.path = current;
    }
}

void RegistryHive::deleteKey(const QString &path)
{
    const QString folded = fold(normalPath(path));
    if (folded.isEmpty())
        return;
    const QString prefix = folded + QLatin1Char('\\');
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it.key() == folded || it.key().startsWith(prefix))
            it = m_keys.erase(it);
        else
            ++it;
    }
}

QStringList RegistryHive::subKeyNames(const QString &path) const
{
    const QString folded = fold(normalPath(path));
    const QString prefix = folded.isEmpty() ? QString() : folded + QLatin1Char('\\');
    QStringList names;
    for (auto it = m_keys.constBegin(); it != m_keys.constEnd(); ++it) {
        if (!it.key().startsWith(prefix) || it.key() == folded)
            continue;
        const QString rest = it.value().path.mid(prefix.size());
        if (!rest.contains(QLatin1Char('\\')))
            names << rest;
    }
    return names;
}

std::optional<RegistryHive::Value> RegistryHive::value(
    const QString &path, const QString &name) const
{
    const Key *key = find(path);
    if (!key)
        return std::nullopt;
    auto it = key->values.constFind(fold(name));
    if (it == key->values.constEnd())
        return std::nullopt;
    return it.value();
}

QStringList RegistryHive::valueNames(const QString &path) const
{
    const Key *key = find(path);
    return key ? key->names.values() : QStringList();
}

void RegistryHive::setValue(const QString &path, const QString &name, const Value &value)
{
    createKey(path);
    Key &key = m_keys[fold(normalPath(path))];
    key.names[fold(name)] = name;
    key.values[fold(name)] = value;
}

void RegistryHive::deleteValue(const QString &path, const QString &name)
{
    auto it = m_keys.find(fold(normalPath(path)));
    if (it == m_keys.end())
        return;
    it->names.remove(fold(name));
    it->values.remove(fold(name));
}

QByteArray RegistryHive::toJson() const
{
    QJsonObject keys;
    for (const Key &key : m_keys) {
        QJsonObject values;
        for (auto it = key.values.constBegin(); it != key.values.constEnd(); ++it) {
            const QString &name = key.names.value(it.key());
            if (it->type == Value::Type::DWord)
                values.insert(
                    name, QJsonObject { { QStringLiteral("dword"), qint64(it->number) } });
            else
                values.insert(name, it->text);
        }
        keys.insert(key.path, values);
    }
    return QJsonDocument(QJsonObject { { QStringLiteral("keys"), keys } }).toJson();
}

bool RegistryHive::mergeJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonValue keysValue = document.object().value(QStringLiteral("keys"));
    if (!keysValue.isObject())
        return false;
    RegistryHive merged = *this;
    const QJsonObject keys = keysValue.toObject();
    for (auto k = keys.constBegin(); k != keys.constEnd(); ++k) {
        if (k->isNull()) {
            merged.deleteKey(k.key());
            continue;
        }
        if (!k->isObject())
            return false;
        merged.createKey(k.key());
        const QJsonObject values = k->toObject();
        for (auto v = values.constBegin(); v != values.constEnd(); ++v) {
            if (v->isNull()) {
                merged.deleteValue(k.key(), v.key());
            } else if (v->isString()) {
                merged.setValue(k.key(), v.key(), Value { Value::Type::String, v->toString(), 0 });
            } else if (v->isObject() && v->toObject().value(QStringLiteral("dword")).isDouble()) {
                const qint64 n = v->toObject().value(QStringLiteral("dword")).toInteger();
                if (n < 0 || n > 0xFFFFFFFFll)
                    return false;
                merged.setValue(k.key(), v.key(), Value { Value::Type::DWord, {}, quint32(n) });
            } else {
                return false;
            }
        }
    }
    *this = std::move(merged);
    return true;
}
