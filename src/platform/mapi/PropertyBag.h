#pragma once

#include "platform/mapi/MapiDefs.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <vector>

// The properties of one object, keyed by property id. Texts are held once and handed out
// in the 8-bit or the wide form the caller's tag asks for.
struct Property
{
    ULONG type = PT_UNSPECIFIED; // PT_LONG, PT_BOOLEAN, PT_UNICODE (all texts), PT_BINARY
    int32_t number = 0; // PT_LONG and PT_BOOLEAN
    QString text;
    QByteArray bytes;
};

class PropertyBag
{
public:
    void setLong(ULONG tag, int32_t value);
    void setBool(ULONG tag, bool value);
    void setText(ULONG tag, const QString &value);
    void setBytes(ULONG tag, const QByteArray &value);
    void remove(ULONG tag) { m_props.erase(PropId(tag)); }
    // Stores a caller's value; false for a type this store does not keep.
    bool set(const SPropValue &value);

    bool has(ULONG tag) const { return m_props.count(PropId(tag)) != 0; }
    std::optional<int32_t> number(ULONG tag) const;
    QString text(ULONG tag) const;
    QByteArray bytes(ULONG tag) const;

    // IMAPIProp::GetProps over this bag: one buffer chain owning every value.
    HRESULT get(const SPropTagArray *tags, ULONG flags, ULONG *count, SPropValue **props) const;
    // Fills one value in a chain rooted at root; false when the property is missing or
    // of another type.
    bool fill(ULONG tag, SPropValue &out, void *root) const;

    const std::map<ULONG, Property> &all() const { return m_props; }

private:
    std::map<ULONG, Property> m_props;
};

// Reads a text from a caller's value of either string type.
QString TextOf(const SPropValue &value);
