#include "platform/mapi/MapiObject.h"

#include "platform/mapi/MapiMemory.h"

#include <cstring>

BufferStream::BufferStream(QByteArray initial, Sink sink, IUnknown *owner)
    : m_data(std::move(initial))
    , m_sink(std::move(sink))
    , m_owner(owner)
{
    m_owner->AddRef(); // the sink writes into the owner
}

BufferStream::~BufferStream()
{
    if (m_dirty)
        m_sink(m_data);
    m_owner->Release();
}

void *BufferStream::castTo(REFIID iid)
{
    if (iid == IID_IStream)
        return static_cast<IStream *>(this);
    return RefCounted<IStream>::castTo(iid);
}

HRESULT BufferStream::Read(void *buffer, ULONG size, ULONG *read)
{
    if (!buffer && size)
        return E_INVALIDARG;
    const qsizetype n = std::min<qsizetype>(size, m_data.size() - m_position);
    if (n > 0)
        std::memcpy(buffer, m_data.constData() + m_position, size_t(n));
    m_position += std::max<qsizetype>(n, 0);
    if (read)
        *read = ULONG(std::max<qsizetype>(n, 0));
    return S_OK;
}

HRESULT BufferStream::Write(const void *buffer, ULONG size, ULONG *written)
{
    if (!buffer && size)
        return E_INVALIDARG;
    const qsizetype end = m_position + qsizetype(size);
    if (end > m_data.size())
        m_data.resize(end);
    if (size)
        std::memcpy(m_data.data() + m_position, buffer, size);
    m_position = end;
    m_dirty = true;
    if (written)
        *written = size;
    return S_OK;
}

HRESULT BufferStream::Commit(ULONG)
{
    m_sink(m_data);
    m_dirty = false;
    return S_OK;
}

RowTable::RowTable(std::vector<PropertyBag> rows, std::vector<ULONG> columns)
    : m_rows(std::move(rows))
    , m_columns(std::move(columns))
{ }

void *RowTable::castTo(REFIID iid)
{
    if (iid == IID_IMAPITable)
        return static_cast<IMAPITable *>(this);
    return RefCounted<IMAPITable>::castTo(iid);
}

HRESULT RowTable::SetColumns(const SPropTagArray *columns, ULONG)
{
    if (!columns || !columns->aulPropTag)
        return E_INVALIDARG;
    m_columns.assign(columns->aulPropTag, columns->aulPropTag + columns->cValues);
    return S_OK;
}

HRESULT RowTable::GetRowCount(ULONG, ULONG *count)
{
    if (!count)
        return E_INVALIDARG;
    *count = ULONG(m_rows.size());
    return S_OK;
}

// The row set, its rows and their values all hang on one chain: MAPIFreeBuffer of the
// row set releases everything.
HRESULT RowTable::QueryRows(LONG rowCount, ULONG, SRowSet **rows)
{
    if (!rows || rowCount < 0)
        return E_INVALIDARG;
    const size_t n = std::min<size_t>(size_t(rowCount), m_rows.size() - m_cursor);
    void *root = nullptr;
    if (mapimem::allocateBuffer(sizeof(SRowSet), &root) != S_OK)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    auto *set = static_cast<SRowSet *>(root);
    void *rowBlock = nullptr;
    if (mapimem::allocateMore(ULONG(sizeof(SRow) * (n ? n : 1)), root, &rowBlock) != S_OK) {
        mapimem::freeBuffer(root);
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    set->aRow = static_cast<SRow *>(rowBlock);
    set->cRows = ULONG(n);
    for (size_t r = 0; r < n; ++r) {
        const PropertyBag &bag = m_rows[m_cursor + r];
        void *values = nullptr;
        const size_t columns = m_columns.size();
        if (mapimem::allocateMore(
                ULONG(sizeof(SPropValue) * (columns ? columns : 1)), root, &values)
            != S_OK) {
            mapimem::freeBuffer(root);
            return MAPI_E_NOT_ENOUGH_MEMORY;
        }
        SRow &row = set->aRow[r];
        row.cValues = ULONG(columns);
        row.lpProps = static_cast<SPropValue *>(values);
        for (size_t c = 0; c < columns; ++c) {
            if (!bag.fill(m_columns[c], row.lpProps[c], root)) {
                row.lpProps[c].ulPropTag = ChangePropType(m_columns[c], PT_ERROR);
                row.lpProps[c].Value.err = MAPI_E_NOT_FOUND;
            }
        }
    }
    m_cursor += n;
    *rows = set;
    return S_OK;
}
