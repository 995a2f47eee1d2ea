#include "review/MemSTran.h"

#include "util/Errors.h"
#include "util/InParts.h"
#include "util/Prefetch.h"

#include <algorithm>

namespace {

const ReviewRow &BlankRow()
{
    static const ReviewRow blank {};
    return blank;
}

} // namespace

void MemSTran::open()
{
    if (isOpen())
        return;
    m_state = State::Browse;
    m_current = -1;
    m_eof = true;
    notifyReset();
}

void MemSTran::close()
{
    resetting([this] {
        m_slots.clear();
        m_textOwners.clear();
        m_state = State::Inactive;
        m_current = -1;
        m_eof = true;
    });
}

void MemSTran::reserve(int rows)
{
    const size_t wanted = static_cast<size_t>(std::max(rows, 0));
    if (m_slots.empty() && m_rows.capacity() > 2 * wanted + 1024)
        std::vector<ReviewRow>().swap(m_rows);
    m_rows.reserve(wanted);
    m_slots.reserve(wanted);
}

void MemSTran::setRecNo(int row)
{
    requireBrowse();
    if (row < 0 || row >= recordCount())
        return;
    m_current = row;
    m_eof = false;
    notifyCurrent();
}

void MemSTran::first()
{
    requireBrowse();
    m_current = m_slots.empty() ? -1 : 0;
    m_eof = m_slots.empty();
    notifyCurrent();
}

void MemSTran::next()
{
    requireBrowse();
    if (m_current + 1 < recordCount()) {
        ++m_current;
        notifyCurrent();
    } else {
        m_eof = true;
    }
}

void MemSTran::append()
{
    requireBrowse();
    m_buffer = ReviewRow();
    m_state = State::Insert;
}

std::span<ReviewRow> MemSTran::appendRows(const std::vector<int> &places)
{
    requireBrowse();
    const size_t first = m_slots.size();
    const size_t count = places.size();
    if (count == 0)
        return {};
    std::vector<bool> taken(count, false);
    for (const int place : places) {
        if (place < 0 || static_cast<size_t>(place) >= count || taken[static_cast<size_t>(place)])
            throw Exception(QStringLiteral("Rows appended to places not each taken once"));
        taken[static_cast<size_t>(place)] = true;
    }
    resetting([&] {
        if (m_rows.size() < first + count)
            m_rows.resize(first + count);
        m_slots.resize(first + count);
        for (size_t k = 0; k < count; ++k)
            m_slots[first + static_cast<size_t>(places[k])] = static_cast<uint32_t>(first + k);
        m_current = recordCount() - 1;
        m_eof = false;
    });
    notifyCurrent();
    return std::span<ReviewRow>(m_rows).subspan(first, count);
}

void MemSTran::edit()
{
    requireBrowse();
    if (m_current < 0)
        throw Exception(QStringLiteral("No current record"));
    m_buffer = row(m_current);
    m_state = State::Edit;
}

void MemSTran::post()
{
    requireOpen();
    if (m_state == State::Insert) {
        const int row = recordCount();
        const bool notify = m_observer && !controlsDisabled();
        if (notify)
            m_observer->rowAboutToBeAppended(row);
        const size_t slot = m_slots.size();
        if (slot < m_rows.size())
            m_rows[slot] = std::move(m_buffer);
        else
            m_rows.push_back(std::move(m_buffer));
        m_slots.push_back(static_cast<uint32_t>(slot));
        m_state = State::Browse;
        m_current = row;
        m_eof = false;
        if (notify)
            m_observer->rowAppended(row);
        else
            m_pendingReset = true;
        notifyCurrent();
    } else if (m_state == State::Edit) {
        at(m_current) = std::move(m_buffer);
        m_state = State::Browse;
        if (m_observer && !controlsDisabled())
            m_observer->rowChanged(m_current);
        else
            m_pendingReset = true;
    }
    m_buffer = ReviewRow();
}

void MemSTran::cancel()
{
    if (m_state == State::Insert || m_state == State::Edit)
        m_state = State::Browse;
    m_buffer = ReviewRow();
}

QVariant MemSTran::fieldValue(const QString &name) const
{
    return value(fieldOf(name));
}

QString MemSTran::fieldText(const QString &name) const
{
    return current().text(fieldOf(name));
}

void MemSTran::setFieldValue(const QString &name, const QVariant &value)
{
    setValue(fieldOf(name), value);
}

QVariant MemSTran::value(ReviewField field) const
{
    return current().value(field);
}

void MemSTran::setValue(ReviewField field, const QVariant &value)
{
    buffer().setValue(field, value);
}

const ReviewRow &MemSTran::current() const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer;
    if (m_current < 0)
        return BlankRow();
    return row(m_current);
}

ReviewRow &MemSTran::buffer()
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw Exception(QStringLiteral("Dataset not in edit or insert mode"));
    return m_buffer;
}

bool MemSTran::locate(const QString &name, const QVariant &value)
{
    requireBrowse();
    const ReviewField field = fieldOf(name);
    ReviewRow probe;
    probe.setValue(field, value);
    for (int i = 0; i < recordCount(); ++i) {
        if (CompareField(row(i), probe, field) == 0) {
            setRecNo(i);
            return true;
        }
    }
    return false;
}

void MemSTran::sort(const QStringList &names, bool descending)
{
    requireBrowse();
    std::vector<RowComparator> keys;
    std::vector<ReviewField> fields;
    keys.reserve(static_cast<size_t>(names.size()));
    for (const QString &name : names) {
        fields.push_back(fieldOf(name));
        keys.push_back(ComparatorFor(fields.back()));
    }

    const auto before = [&](const ReviewRow &a, const ReviewRow &b) {
        for (RowComparator compare : keys) {
            const int c = compare(a, b);
            if (c != 0)
                return descending ? c > 0 : c < 0;
        }
        return false;
    };
    // A list already in order (the query's own ORDER BY after a fill) needs no sorting.
    if (inOrder(fields, before)) {
        notifyCurrent();
        return;
    }

    std::vector<uint32_t> sorted = m_slots;
    std::stable_sort(sorted.begin(), sorted.end(),
        [&](uint32_t left, uint32_t right) { return before(m_rows[left], m_rows[right]); });
    resetting([&] {
        const auto current = m_current < 0
            ? m_slots.end()
            : std::find(sorted.begin(), sorted.end(), m_slots[static_cast<size_t>(m_current)]);
        m_current = m_current < 0 ? -1 : static_cast<int>(current - sorted.begin());
        m_slots = std::move(sorted);
    });
    notifyCurrent();
}

void MemSTran::holdTexts(std::shared_ptr<const void> owner)
{
    if (owner && std::find(m_textOwners.begin(), m_textOwners.end(), owner) == m_textOwners.end())
        m_textOwners.push_back(std::move(owner));
}

template <typename Before>
bool MemSTran::inOrder(const std::vector<ReviewField> &fields, Before before) const
{
    // The rows and the texts compared lie scattered, so those of the rows a little ahead are
    // asked for early (a row first, its texts once the row is there); a long list is checked in
    // two halves at once.
    const auto check = [&](size_t begin, size_t end) {
        constexpr size_t RowsAhead = 16;
        for (size_t i = std::max<size_t>(begin, 1); i < end; ++i) {
            if (i + 2 * RowsAhead < end)
                PrefetchBytes(&row(static_cast<int>(i + 2 * RowsAhead)), sizeof(ReviewRow));
            if (i + RowsAhead < end) {
                for (const ReviewField field : fields)
                    row(static_cast<int>(i + RowsAhead)).prefetch(field);
            }
            if (before(row(static_cast<int>(i)), row(static_cast<int>(i - 1))))
                return false;
        }
        return true;
    };
    constexpr size_t RowsPerHalf = 8192;
    const size_t rows = m_slots.size();
    return HoldsInParts(rows, PartsFor(rows, RowsPerHalf, 2), check);
}

void MemSTran::disableControls()
{
    ++m_disabled;
}

void MemSTran::enableControls()
{
    if (m_disabled == 0)
        return;
    if (--m_disabled == 0 && m_pendingReset) {
        m_pendingReset = false;
        notifyReset();
        notifyCurrent();
    }
}

ReviewField MemSTran::fieldOf(const QString &name) const
{
    const int index = ReviewFieldIndex(name);
    if (index < 0)
        throw Exception(QStringLiteral("Field '") + name + QStringLiteral("' not found"));
    return static_cast<ReviewField>(index);
}

void MemSTran::requireOpen() const
{
    if (!isOpen())
        throw Exception(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void MemSTran::requireBrowse() const
{
    requireOpen();
    if (m_state != State::Browse)
        throw Exception(QStringLiteral("Dataset is in edit or insert mode"));
}

template <typename Change> void MemSTran::resetting(Change change)
{
    const bool tell = m_observer && !controlsDisabled();
    if (tell)
        m_observer->listAboutToReset();
    change();
    if (tell)
        m_observer->listReset();
    else
        m_pendingReset = true;
}

void MemSTran::notifyReset()
{
    resetting([] {});
}

void MemSTran::notifyCurrent()
{
    if (m_observer && !controlsDisabled())
        m_observer->currentChanged(m_current);
}
