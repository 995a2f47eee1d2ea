#pragma once

#include "platform/mapi/MapiDefs.h"
#include "platform/mapi/MapiMemory.h"
#include "platform/mapi/PropertyBag.h"

#include <QByteArray>

#include <atomic>
#include <functional>
#include <vector>

// Reference counting and interface lookup shared by every object the library hands out.
template <class Interface> class RefCounted : public Interface
{
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_INVALIDARG;
        *object = castTo(iid);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

protected:
    ~RefCounted() override = default;
    // The object seen as the interface iid, or null.
    virtual void *castTo(REFIID iid)
    {
        return iid == IID_IUnknown ? static_cast<IUnknown *>(this) : nullptr;
    }

private:
    std::atomic<ULONG> m_refs { 1 };
};

// Holds one reference to a library object and lets it go at the end of its scope.
template <class T> class Ref
{
public:
    Ref() = default;
    explicit Ref(T *adopted)
        : m_ptr(adopted)
    { }
    Ref(const Ref &other)
        : m_ptr(other.m_ptr)
    {
        if (m_ptr)
            m_ptr->AddRef();
    }
    Ref &operator=(Ref other)
    {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }
    ~Ref()
    {
        if (m_ptr)
            m_ptr->Release();
    }
    static Ref share(T *object)
    {
        if (object)
            object->AddRef();
        return Ref(object);
    }
    T *get() const { return m_ptr; }
    T *operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    // Hands the reference to the caller.
    T *take() { return std::exchange(m_ptr, nullptr); }

private:
    T *m_ptr = nullptr;
};

// A stream over a byte buffer; Commit (or the last Release after writing) hands the
// bytes to the owner's sink.
class BufferStream final : public RefCounted<IStream>
{
public:
    using Sink = std::function<void(const QByteArray &)>;
    BufferStream(QByteArray initial, Sink sink, IUnknown *owner);

    HRESULT Read(void *buffer, ULONG size, ULONG *read) override;
    HRESULT Write(const void *buffer, ULONG size, ULONG *written) override;
    HRESULT Commit(ULONG flags) override;

protected:
    ~BufferStream() override;
    void *castTo(REFIID iid) override;

private:
    QByteArray m_data;
    qsizetype m_position = 0;
    bool m_dirty = false;
    Sink m_sink;
    IUnknown *m_owner;
};

// IMAPIProp over a property bag. Subclasses say what SaveChanges does.
template <class Interface> class PropObject : public RefCounted<Interface>
{
public:
    HRESULT GetLastError(HRESULT result, ULONG flags, MAPIERROR **error) override
    {
        if (!error)
            return E_INVALIDARG;
        *error = nullptr;
        if (flags & MAPI_UNICODE)
            return MAPI_E_BAD_CHARWIDTH;
        if (m_lastError.isEmpty() || result != m_lastResult)
            return S_OK;
        void *block = nullptr;
        if (mapimem::allocateBuffer(sizeof(MAPIERROR), &block) != S_OK)
            return E_OUTOFMEMORY;
        auto *out = static_cast<MAPIERROR *>(block);
        *out = MAPIERROR {};
        out->lpszError = mapimem::copyUtf8(m_lastError, block);
        out->lpszComponent = mapimem::copyUtf8(QStringLiteral("Velloran mail"), block);
        if (!out->lpszError || !out->lpszComponent) {
            mapimem::freeBuffer(block);
            return E_OUTOFMEMORY;
        }
        *error = out;
        return S_OK;
    }
    HRESULT GetProps(
        const SPropTagArray *tags, ULONG flags, ULONG *count, SPropValue **props) override
    {
        return m_props.get(tags, flags, count, props);
    }
    HRESULT SetProps(ULONG count, const SPropValue *props, SPropProblemArray **problems) override
    {
        if (problems)
            *problems = nullptr;
        if (count && !props)
            return E_INVALIDARG;
        for (ULONG i = 0; i < count; ++i) {
            if (!writable(props[i].ulPropTag))
                return MAPI_E_NO_ACCESS;
            if (!m_props.set(props[i]))
                return MAPI_E_NO_SUPPORT;
        }
        return S_OK;
    }
    HRESULT OpenProperty(ULONG tag, REFIID iid, ULONG, ULONG flags, IUnknown **object) override
    {
        if (!object)
            return E_INVALIDARG;
        *object = nullptr;
        const ULONG type = PropType(tag);
        if (!(iid == IID_IStream)
            || (type != PT_BINARY && type != PT_STRING8 && type != PT_UNICODE))
            return MAPI_E_NO_SUPPORT;
        if (!m_props.has(tag) && !(flags & MAPI_CREATE))
            return MAPI_E_NOT_FOUND;
        if ((flags & (MAPI_CREATE | MAPI_MODIFY)) && !writable(tag))
            return MAPI_E_NO_ACCESS;
        QByteArray initial;
        if (!(flags & MAPI_CREATE)) {
            if (type == PT_BINARY)
                initial = m_props.bytes(tag);
            else if (type == PT_STRING8)
                initial = m_props.text(tag).toUtf8();
            else
                initial = QByteArray(reinterpret_cast<const char *>(m_props.text(tag).utf16()),
                    m_props.text(tag).size() * 2);
        }
        auto sink = [this, tag, type](const QByteArray &bytes) {
            if (type == PT_BINARY)
                m_props.setBytes(tag, bytes);
            else if (type == PT_STRING8)
                m_props.setText(tag, QString::fromUtf8(bytes));
            else
                m_props.setText(tag,
                    QString::fromUtf16(
                        reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2));
        };
        *object = new BufferStream(initial, sink, this);
        return S_OK;
    }
    HRESULT SaveChanges(ULONG) override { return S_OK; }

    PropertyBag &props() { return m_props; }
    const PropertyBag &props() const { return m_props; }

protected:
    void *castTo(REFIID iid) override
    {
        if (iid == IID_IMAPIProp)
            return static_cast<IMAPIProp *>(this);
        return RefCounted<Interface>::castTo(iid);
    }
    virtual bool writable(ULONG) const { return true; }
    // Remembers what went wrong (or the warning) of a call that answered result.
    void setLastError(HRESULT result, const QString &text)
    {
        m_lastResult = result;
        m_lastError = text;
    }

    PropertyBag m_props;
    HRESULT m_lastResult = S_OK;
    QString m_lastError;
};

// A table of rows of properties, read through its column set.
class RowTable final : public RefCounted<IMAPITable>
{
public:
    explicit RowTable(std::vector<PropertyBag> rows, std::vector<ULONG> columns);

    HRESULT SetColumns(const SPropTagArray *columns, ULONG flags) override;
    HRESULT GetRowCount(ULONG flags, ULONG *count) override;
    HRESULT QueryRows(LONG rowCount, ULONG flags, SRowSet **rows) override;

protected:
    void *castTo(REFIID iid) override;

private:
    std::vector<PropertyBag> m_rows;
    std::vector<ULONG> m_columns;
    size_t m_cursor = 0;
};
