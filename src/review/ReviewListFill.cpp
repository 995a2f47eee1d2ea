#include "review/ReviewListFill.h"

#include "data/DeliveryNotes.h"
#include "data/HostPath.h"
#include "platform/database/Query.h"
#include "review/ListOrderCheck.h"
#include "review/MemSTran.h"
#include "review/ReviewRowReader.h"
#include "util/InParts.h"
#include "util/Prefetch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <span>
#include <string_view>

namespace {

// The fill reports between batches of this many rows: a row takes well under a microsecond.
constexpr size_t RowsPerBatch = 32;
// A list this long is filled by several threads, each taking an equal share of at least this
// many rows; a shorter one by the building thread alone.
constexpr size_t RowsPerFillThread = 4096;
constexpr unsigned MaxFillThreads = 4;
// While the rows fill, their PDF names are looked up this many at a time: enough for the
// lookups to ask for the folder's table well ahead, few enough to find the names in the caches.
constexpr size_t RowsPerLookup = 512;
// How far ahead of the row being filled its values in the result are asked for: the rows lie
// in sequence there, but the table of where each lies is read at random.
constexpr size_t RowsAhead = 8;

bool Blank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool Ascii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

// Whether the folder holds the file a row names, blanks around the name ignored as
// QString::trimmed() ignores them.
bool PdfExists(const HostFolderIndex &folder, const ReviewText &name)
{
    const QString text = name.toString();
    return folder.containsFile(QStringView(text).trimmed());
}

// The fields a row takes from its other fields.
void DeriveFields(
    ReviewRow &row, const ReviewBuildObjects &objects, const ReviewBuildInputs &inputs)
{
    row.Tag = row.zrqtag;
    row.markSet(ReviewField::Tag);
    row.MailInv = row.sn_docmail >= 8;
    row.markSet(ReviewField::MailInv);
    if (inputs.showDelNotes) {
        if (auto note = objects.deliveryNotes.find(row.st_trtype, row.st_trref))
            row.setValue(ReviewField::it_numdelv, *note);
    }
}

// The list's rows are filled in the order the result's values lie in memory (the query's sort
// has scattered them), the k-th into the list's k-th new row, which the list places where the
// query's order puts it: reading and writing in sequence costs far less than waiting for
// memory at random. A long list is filled in shares on several threads; the building thread
// fills the first share and shows the progress between its batches. The PDF names are looked
// up a batch at a time as the rows fill when the folder's listing is there from the start (as
// when it is kept from the last build), or all together once it is there.
class ReviewListFill
{
public:
    ReviewListFill(ReviewBuildObjects &objects, const ReviewBuildInputs &inputs,
        BuildProgress &progress, const std::vector<ReviewField> &sortFields)
        : m_objects(objects)
        , m_inputs(inputs)
        , m_progress(progress)
        , m_reader(objects.qrySTran)
        , m_count(static_cast<size_t>(objects.qrySTran.recordCount()))
        , m_countText(QString::number(m_count))
        , m_sortFields(sortFields)
    { }

    // Fills the list; the answer is whether the rows already stand in the order of the sort
    // fields.
    bool run(std::future<std::shared_ptr<const HostFolderIndex>> &pdfListing)
    {
        db::Query &query = m_objects.qrySTran;
        MemSTran &list = m_objects.memSTran;
        const std::vector<db::StoredRow> order = query.rowsInStorageOrder();
        list.reserve(static_cast<int>(m_count));
        list.holdTexts(m_reader.textOwner());
        std::vector<int> places(m_count);
        for (size_t turn = 0; turn < m_count; ++turn)
            places[turn] = order[turn].row;
        m_rows = list.appendRows(places);
        m_orderCheck.emplace(m_sortFields, places);
        m_pdfNames.assign(m_count, {});
        const size_t parts = PartsFor(m_count, RowsPerFillThread, MaxFillThreads);
        std::vector<Turns> converted(parts), otherNames(parts);

        // The folder's listing is most often the one kept from the last build, there at once:
        // the names are then looked up batch by batch as the rows are filled.
        std::shared_ptr<const HostFolderIndex> listing;
        if (pdfListing.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            listing = pdfListing.get();
        m_listing = listing.get();
        report(1);
        InParts(m_count, parts, [&](size_t part, size_t first, size_t last) {
            if (part == 0)
                fillTurns(order, { first, last }, converted[0], otherNames[0],
                    [this] { reportAsTimePasses(); });
            else
                fillTurns(order, { first, last }, converted[part], otherNames[part], [] {});
        });

        // The rows that need the field conversion, read with the cursor on them in its order.
        Turns conversions;
        for (const Turns &turns : converted)
            conversions.insert(conversions.end(), turns.begin(), turns.end());
        std::sort(conversions.begin(), conversions.end(),
            [&](size_t a, size_t b) { return order[a].row < order[b].row; });
        for (const size_t turn : conversions) {
            ReviewRow &row = m_rows[turn];
            query.setRecNo(order[turn].row + 1);
            m_reader.read(order[turn].row, row);
            DeriveFields(row, m_objects, m_inputs);
            m_orderCheck->note(turn, row);
            m_pdfNames[turn] = {};
            otherNames[0].push_back(turn);
        }
        // The cursor ends past the last row, as after reading the rows in turn.
        query.setRecNo(static_cast<int>(m_count) + 1);
        if (m_count > 1)
            report(static_cast<int>(m_count));

        if (!listing) {
            listing = pdfListing.get();
            InParts(m_count, parts, [&](size_t, size_t first, size_t last) {
                lookUpPdfNames(*listing, { first, last });
            });
        }
        for (const Turns &turns : otherNames) {
            for (const size_t turn : turns)
                m_rows[turn].Exists = PdfExists(*listing, m_rows[turn].st_memot);
        }
        return m_orderCheck->inOrder(m_objects.memSTran);
    }

private:
    struct Share
    {
        size_t begin;
        size_t end;
    };
    using Turns = std::vector<size_t>;

    // Fills a share's rows in batches, calling afterBatch() after each; the turns whose row
    // needs the field conversion are listed in `converted`, those whose PDF name is not plain
    // ASCII in `otherNames`.
    template <typename AfterBatch>
    void fillTurns(const std::vector<db::StoredRow> &order, Share share, Turns &converted,
        Turns &otherNames, AfterBatch afterBatch)
    {
        size_t lookedUp = share.begin; // the turns whose PDF names are looked up
        for (size_t batch = share.begin; batch < share.end; batch += RowsPerBatch) {
            const size_t batchEnd = std::min(batch + RowsPerBatch, share.end);
            for (size_t turn = batch; turn < batchEnd; ++turn) {
                if (turn + RowsAhead < share.end) {
                    m_reader.prefetch(order[turn + RowsAhead]);
                    PrefetchBytes<true>(&m_rows[turn + RowsAhead], sizeof(ReviewRow));
                }
                ReviewRow &row = m_rows[turn];
                row.clear();
                if (!m_reader.read(order[turn], row))
                    converted.push_back(turn);
                DeriveFields(row, m_objects, m_inputs);
                m_orderCheck->note(turn, row);
                std::string_view name = row.st_memot.utf8();
                if (row.st_memot.isInPlace() && Ascii(name)) {
                    while (!name.empty() && Blank(name.front()))
                        name.remove_prefix(1);
                    while (!name.empty() && Blank(name.back()))
                        name.remove_suffix(1);
                    m_pdfNames[turn] = name;
                } else {
                    otherNames.push_back(turn);
                }
            }
            if (m_listing && (batchEnd - lookedUp >= RowsPerLookup || batchEnd == share.end)) {
                lookUpPdfNames(*m_listing, { lookedUp, batchEnd });
                lookedUp = batchEnd;
            }
            m_filled.fetch_add(batchEnd - batch, std::memory_order_relaxed);
            afterBatch();
        }
    }

    void lookUpPdfNames(const HostFolderIndex &folder, Share share)
    {
        const std::span<const std::string_view> names(
            m_pdfNames.data() + share.begin, share.end - share.begin);
        const std::vector<bool> exists = folder.containsFiles(names);
        for (size_t turn = share.begin; turn < share.end; ++turn) {
            m_rows[turn].Exists = exists[turn - share.begin];
            m_rows[turn].markSet(ReviewField::Exists);
        }
    }

    void reportAsTimePasses()
    {
        const size_t filled = m_filled.load(std::memory_order_relaxed);
        if (filled < m_count && m_progress.clockMs() - m_lastReport >= BuildReportIntervalMs)
            report(static_cast<int>(filled));
    }

    // Shows row n's number and customer name, as the list holds the row.
    void report(int n)
    {
        ReviewRow shown;
        if (!m_reader.read(n - 1, shown, false)) {
            m_objects.qrySTran.setRecNo(n);
            m_reader.read(n - 1, shown);
        }
        m_progress.setCaption(QStringLiteral("Building Results [") + QString::number(n)
            + QStringLiteral(" of ") + m_countText + QStringLiteral("]  [") + shown.sn_name + u']');
        m_progress.setPosition(n);
        m_progress.processMessages();
        m_lastReport = m_progress.clockMs();
    }

    ReviewBuildObjects &m_objects;
    const ReviewBuildInputs &m_inputs;
    BuildProgress &m_progress;
    ReviewRowReader m_reader;
    const size_t m_count;
    const QString m_countText;
    std::span<ReviewRow> m_rows; // of each turn
    // The PDF name of each turn, blanks trimmed, when in ASCII: the names then lie in sequence
    // too. Empty for the turns looked up apart.
    std::vector<std::string_view> m_pdfNames;
    const HostFolderIndex *m_listing = nullptr; // while the rows fill, when there already
    const std::vector<ReviewField> m_sortFields;
    std::optional<ListOrderCheck> m_orderCheck; // once the rows' places are known
    std::atomic<size_t> m_filled = 0;
    qint64 m_lastReport = 0;
};

} // namespace

bool FillReviewRows(ReviewBuildObjects &objects, const ReviewBuildInputs &inputs,
    BuildProgress &progress, std::future<std::shared_ptr<const HostFolderIndex>> &pdfListing,
    const std::vector<ReviewField> &sortFields)
{
    return ReviewListFill(objects, inputs, progress, sortFields).run(pdfListing);
}
