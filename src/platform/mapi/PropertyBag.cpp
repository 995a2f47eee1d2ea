#include "platform/mapi/PropertyBag.h"

#include "platform/mapi/MapiMemory.h"

void PropertyBag::setLong(ULONG tag, int32_t value)
{
    m_props[PropId(tag)] = Property { PT_LONG, value, {}, {} };
}

void PropertyBag::setBool(ULONG tag, bool value)
{
    m_props[PropId(tag)] = Property { PT_BOOLEAN, value ? 1 : 0, {}, {} };
}

void PropertyBag::setText(ULONG tag, const QString &value)
{
    m_props[PropId(tag)] = Property { PT_UNICODE, 0, value, {} };
}

void PropertyBag::setBytes(ULONG tag, const QByteArray &value)
{
    m_props[PropId(tag)] = Property { PT_BINARY, 0, {}, value };
}

QString TextOf(const SPropValue &value)
{
    if (PropType(value.ulPropTag) == PT_UNICODE)
        return value.Value.lpszW ? QString::fromUtf16(value.Value.lpszW) : QString();
    return value.Value.lpszA ? QString::fromUtf8(value.Value.lpszA) : QString();
}

bool PropertyBag::set(const SPropValue &value)
{
    const ULONG tag = value.ulPropTag;
    switch (PropType(tag)) {
    case PT_LONG:
        setLong(tag, value.Value.l);
        return true;
    case PT_BOOLEAN:
        setBool(tag, value.Value.b != 0);
        return true;
    case PT_STRING8:
    case PT_UNICODE:
        setText(tag, TextOf(value));
        return true;
    case PT_BINARY:
        setBytes(tag,
            QByteArray(reinterpret_cast<const char *>(value.Value.bin.lpb),
                qsizetype(value.Value.bin.cb)));
        return true;
    default:
        return false;
    }
}

std::optional<int32_t> PropertyBag::number(ULONG tag) const
{
    auto it = m_props.find(PropId(tag));
    if (it == m_props.end() || (it->second.type != PT_LONG && it->second.type != PT_BOOLEAN))
        return std::nullopt;
    return it->second.number;
}

QString PropertyBag::text(ULONG tag) const
{
    auto it = m_props.find(PropId(tag));
    return it == m_props.end() ? QString() : it->second.text;
}

QByteArray PropertyBag::bytes(ULONG tag) const
{
    auto it = m_props.find(PropId(tag));
    return it == m_props.end() ? QByteArray() : it->second.bytes;
}

bool PropertyBag::fill(ULONG tag, SPropValue &out, void *root) const
{
    auto it = m_props.find(PropId(tag));
    if (it == m_props.end())
        return false;
    const Property &p = it->second;
    ULONG type = PropType(tag);
    if (type == PT_UNSPECIFIED)
        type = p.type;
    const bool isText = type == PT_STRING8 || type == PT_UNICODE;
    if (isText != (p.type == PT_UNICODE) || (!isText && type != p.type))
        return false;
    out.ulPropTag = ChangePropType(tag, type);
    switch (type) {
    case PT_LONG:
        out.Value.l = p.number;
        return true;
    case PT_BOOLEAN:
        out.Value.b = uint16_t(p.number);
        return true;
    case PT_STRING8:
        out.Value.lpszA = mapimem::copyUtf8(p.text, root);
        return out.Value.lpszA != nullptr;
    case PT_UNICODE:
        out.Value.lpszW = mapimem::copyUtf16(p.text, root);
        return out.Value.lpszW != nullptr;
    case PT_BINARY:
        out.Value.bin.cb = ULONG(p.bytes.size());
        out.Value.bin.lpb = mapimem::copyBytes(p.bytes, root);
        return out.Value.bin.lpb != nullptr;
    default:
        return false;
    }
}

HRESULT PropertyBag::get(
    const SPropTagArray *tags, ULONG flags, ULONG *count, SPropValue **props) const
{
    if (!count || !props)
        return E_INVALIDARG;
    std::vector<ULONG> wanted;
    if (tags) {
        wanted.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    } else {
        for (const auto &[id, p] : m_props) {
            ULONG type = p.type;
            if (type == PT_UNICODE && !(flags & MAPI_UNICODE))
                type = PT_STRING8;
            wanted.push_back((id << 16) | type);
        }
    }
    void *root = nullptr;
    const ULONG size = ULONG(sizeof(SPropValue) * (wanted.empty() ? 1 : wanted.size()));
    if (mapimem::allocateBuffer(size, &root) != S_OK)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    auto *values = static_cast<SPropValue *>(root);
    bool missing = false;
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (!fill(wanted[i], values[i], root)) {
            values[i].ulPropTag = ChangePropType(wanted[i], PT_ERROR);
            values[i].Value.err = MAPI_E_NOT_FOUND;
            missing = true;
        }
    }
    *count = ULONG(wanted.size());
    *props = values;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}
