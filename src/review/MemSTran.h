#pragma once

#include "review/ReviewRow.h"

#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

// Told of changes to the review list so a grid can follow it.
class MemSTranObserver
{
public:
    virtual ~MemSTranObserver() = default;
    virtual void listAboutToReset() = 0;
    virtual void listReset() = 0;
    virtual void rowAboutToBeAppended(int row) = 0;
    virtual void rowAppended(int row) = 0;
    virtual void rowChanged(int row) = 0;
    virtual void currentChanged(int row) = 0;
};

// The in-memory review list: one row per listed document, a current row, and an edit buffer
// through which rows are appended and changed.
class MemSTran
{
public:
    enum class State { Inactive, Browse, Edit, Insert };

    void setObserver(MemSTranObserver *observer) { m_observer = observer; }

    // Opening starts an empty list; closing discards every row. The rows themselves are kept
    // for the next fill (see appendRows): the list is closed to be filled again, and rows kept
    // are filled much faster than rows made anew in memory the system has yet to hand out.
    void open();
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    int recordCount() const { return static_cast<int>(m_slots.size()); }
    // Room for this many rows, so a fill of known size appends without moving rows. An empty
    // list keeps the room of its last fill (see close()) unless that is far more than asked.
    void reserve(int rows);
    // The current row's index, -1 when there is none (an empty or closed list).
    int recNo() const { return m_current; }
    void setRecNo(int row);
    void first();
    void next();
    // True on an empty list and after next() on the last row.
    bool eof() const { return m_eof; }

    // A new row in the edit buffer; it joins the list at post().
    void append();
    // Appends as many rows as there are places at once, to be filled in any order (and from
    // several threads, a row each) through the rows given back, valid until the list next
    // changes: the k-th of them becomes the list's row first + places[k], where first is the
    // count before. The places must hold each of 0 to their count - 1 once. The last row becomes
    // current. For a fill of known size that reads its rows in an order of its own: it writes
    // them in sequence whatever their places. The rows given back may be rows of the list before
    // it was last closed, with what they held: the filler clears each (ReviewRow::clear) as it
    // fills it, so the fill touches each row's memory once, on the thread that fills it.
    std::span<ReviewRow> appendRows(const std::vector<int> &places);
    // Keeps alive what the texts of rows refer to in place (a query result) until the list
    // closes.
    void holdTexts(std::shared_ptr<const void> owner);
    // The current row into the edit buffer.
    void edit();
    // Stores the edit buffer; nothing happens in browse state.
    void post();
    void cancel();

    // Fields by name (letter case ignored); an unknown name is an error. Reading without a
    // current row gives an empty value; writing needs the edit or insert state.
    QVariant fieldValue(const QString &name) const;
    QString fieldText(const QString &name) const;
    void setFieldValue(const QString &name, const QVariant &value);
    QVariant value(ReviewField field) const;
    void setValue(ReviewField field, const QVariant &value);

    // The current row as stored (or the edit buffer while editing); a blank row when none.
    const ReviewRow &current() const;
    // The edit buffer for typed writes; the edit or insert state is required.
    ReviewRow &buffer();
    const ReviewRow &row(int index) const { return m_rows[m_slots[static_cast<size_t>(index)]]; }

    // Makes the first row whose field equals the value current; false (and no move) when none.
    bool locate(const QString &name, const QVariant &value);
    // Sorts by the fields in order, all ascending or all descending; equal rows keep their
    // order and the current row stays current.
    void sort(const QStringList &fields, bool descending);

    // Suspends and resumes the observer's updates; resuming after changes resets it once.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabled > 0; }

private:
    ReviewField fieldOf(const QString &name) const;
    void requireOpen() const;
    void requireBrowse() const;
    // Makes a change that replaces the rows as an observer sees them: the observer is told
    // before and after, or, while updates are suspended, a reset is kept for their resuming.
    template <typename Change> void resetting(Change change);
    void notifyReset();
    void notifyCurrent();

    ReviewRow &at(int index) { return m_rows[m_slots[static_cast<size_t>(index)]]; }
    // Whether the rows stand in the order the comparison gives (none before its predecessor).
    template <typename Before>
    bool inOrder(const std::vector<ReviewField> &fields, Before before) const;

    // The rows lie where they were appended; the list's order is a table of their places, so
    // sorting moves no row. Rows past the list's count are rows of a closed list, kept to be
    // filled again; nothing reads them.
    std::vector<ReviewRow> m_rows;
    std::vector<uint32_t> m_slots; // the list's row i is m_rows[m_slots[i]]
    std::vector<std::shared_ptr<const void>> m_textOwners;
    ReviewRow m_buffer;
    State m_state = State::Inactive;
    int m_current = -1;
    bool m_eof = true;
    int m_disabled = 0;
    bool m_pendingReset = false;
    MemSTranObserver *m_observer = nullptr;
};
