#include "review/MemSTran.h"

#include "util/Errors.h"

#include <algorithm>
#include <numeric>

namespace {

const ReviewRow &BlankRow()
{
    static const ReviewRow blank;
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
        m_rows.clear();
        m_state = State::Inactive;
        m_current = -1;
        m_eof = true;
    });
}

void MemSTran::reserve(int rows)
{
    const size_t wanted = static_cast<size_t>(std::max(rows, 0));
    if (m_rows.empty() && m_rows.capacity() > 2 * wanted + 1024)
        std::vector<ReviewRow>().swap(m_rows);
    m_rows.reserve(wanted);
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
    m_current = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
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

std::span<ReviewRow> MemSTran::appendRows(int count)
{
    requireBrowse();
    const size_t first = m_rows.size();
    if (count <= 0)
        return {};
    resetting([&] {
        m_rows.resize(first + static_cast<size_t>(count));
        m_current = recordCount() - 1;
        m_eof = false;
    });
    notifyCurrent();
    return std::span<ReviewRow>(m_rows).subspan(first);
}

void MemSTran::edit()
{
    requireBrowse();
    if (m_current < 0)
        throw Exception(QStringLiteral("No current record"));
    m_buffer = m_rows[static_cast<size_t>(m_current)];
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
        m_rows.push_back(std::move(m_buffer));
        m_state = State::Browse;
        m_current = row;
        m_eof = false;
        if (notify)
            m_observer->rowAppended(row);
        else
            m_pendingReset = true;
        notifyCurrent();
    } else if (m_state == State::Edit) {
        m_rows[static_cast<size_t>(m_current)] = std::move(m_buffer);
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
    return m_rows[static_cast<size_t>(m_current)];
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
        if (CompareField(m_rows[static_cast<size_t>(i)], probe, field) == 0) {
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
    // A list already in order (the query's own ORDER BY after a fill) needs no moving. Its
    // texts lie scattered, so those of the rows a little ahead are asked for early.
    constexpr size_t RowsAhead = 8;
    bool inOrder = true;
    for (size_t i = 1; i < m_rows.size() && inOrder; ++i) {
        if (i + RowsAhead < m_rows.size()) {
            for (const ReviewField field : fields)
                m_rows[i + RowsAhead].prefetch(field);
        }
        inOrder = !before(m_rows[i], m_rows[i - 1]);
    }
    if (inOrder) {
        notifyCurrent();
        return;
    }

    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int left, int right) {
        return before(m_rows[static_cast<size_t>(left)], m_rows[static_cast<size_t>(right)]);
    });

    resetting([&] {
        std::vector<ReviewRow> sorted;
        sorted.reserve(m_rows.size());
        int newCurrent = -1;
        for (size_t i = 0; i < order.size(); ++i) {
            if (order[i] == m_current)
                newCurrent = static_cast<int>(i);
            sorted.push_back(std::move(m_rows[static_cast<size_t>(order[i])]));
        }
        m_rows = std::move(sorted);
        m_current = newCurrent;
    });
    notifyCurrent();
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
