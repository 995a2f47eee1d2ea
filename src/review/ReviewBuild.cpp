#include "review/ReviewBuild.h"

#include "data/DeliveryNoteOps.h"
#include "data/HostPath.h"
#include "data/StatusTableOps.h"
#include "dispatch/DocumentPaths.h"
#include "platform/database/Query.h"
#include "review/MemSTran.h"
#include "review/ReviewRowReader.h"
#include "util/UtilMisc.h"

#include <chrono>
#include <future>
#include <optional>
#include <vector>

namespace {

// Resumes the grid's updates however the fill ends.
class SuspendedControls
{
public:
    explicit SuspendedControls(MemSTran &list)
        : m_list(list)
    {
        m_list.disableControls();
    }
    ~SuspendedControls()
    {
        if (m_list.state() != MemSTran::State::Browse && m_list.isOpen())
            m_list.cancel();
        m_list.enableControls();
    }
    SuspendedControls(const SuspendedControls &) = delete;
    SuspendedControls &operator=(const SuspendedControls &) = delete;

private:
    MemSTran &m_list;
};

// The clock is read every so many rows only: a row takes a microsecond or two.
constexpr int RowsPerClockCheck = 32;
// How far ahead of the row being copied the reader asks for values.
constexpr int RowsAhead = 8;
// From this many rows on, the second half is read on another thread while this one lists the
// first half.
constexpr int RowsForTwoThreads = 4096;

// What a row takes besides the query's columns (delivery notes aside).
void CompleteRow(ReviewRow &row, const HostFolderIndex &pdfFolder)
{
    row.Exists = pdfFolder.containsFile(QStringView(row.st_memot).trimmed());
    row.markSet(ReviewField::Exists);
    row.setValue(ReviewField::Tag, row.zrqtag);
    row.setValue(ReviewField::MailInv, row.sn_docmail >= 8);
}

// Rows from `first` on, read on a thread of their own. A row with a value that needs the field
// conversion is marked to be read again on the list's thread, where the query's cursor is.
class RowsReadAhead
{
public:
    RowsReadAhead(const db::Query &query, int first, int count, const HostFolderIndex &pdfFolder)
        : m_reader(query)
        , m_first(first)
        , m_rows(static_cast<size_t>(count - first))
        , m_typed(m_rows.size())
    {
        m_reading = std::async(std::launch::async, [this, count, &pdfFolder] {
            for (int r = m_first; r < count; ++r) {
                if (r + RowsAhead < count)
                    m_reader.prefetch(r + RowsAhead);
                ReviewRow &row = m_rows[static_cast<size_t>(r - m_first)];
                m_typed[static_cast<size_t>(r - m_first)] = m_reader.readTyped(r, row);
                CompleteRow(row, pdfFolder);
            }
        });
    }
    ~RowsReadAhead()
    {
        if (m_reading.valid())
            m_reading.wait();
    }
    RowsReadAhead(const RowsReadAhead &) = delete;
    RowsReadAhead &operator=(const RowsReadAhead &) = delete;

    // Waits for the rows, letting window messages through meanwhile; rethrows the reading's
    // error.
    void wait(BuildProgress &progress)
    {
        const auto interval = std::chrono::milliseconds(BuildReportIntervalMs);
        while (m_reading.wait_for(interval) != std::future_status::ready)
            progress.processMessages();
        m_reading.get();
    }
    // Moves the row into target; false when it is to be read again.
    bool take(int row, ReviewRow &target)
    {
        const auto i = static_cast<size_t>(row - m_first);
        target = std::move(m_rows[i]);
        return m_typed[i];
    }

private:
    ReviewRowReader m_reader;
    int m_first;
    std::vector<ReviewRow> m_rows;
    std::vector<char> m_typed;
    std::future<void> m_reading;
};

void FillReviewList(ReviewBuildObjects &objects, const ReviewBuildInputs &inputs,
    std::future<HostFolderIndex> &pdfListing, BuildProgress &progress)
{
    db::Query &query = objects.qrySTran;
    MemSTran &list = objects.memSTran;
    progress.setCaption(QStringLiteral("Building Results"));
    list.open();
    const int count = query.recordCount();
    progress.setMax(count);
    list.reserve(count);
    const QString countText = QString::number(count);

    ReviewRowReader reader(query);
    const HostFolderIndex pdfFolder = pdfListing.get();
    const int split = count >= RowsForTwoThreads ? count / 2 : count;
    std::optional<RowsReadAhead> ahead;
    if (split < count)
        ahead.emplace(query, split, count, pdfFolder);
    SuspendedControls suspended(list);

    qint64 lastReport = 0;
    query.first();
    for (int n = 1; !query.eof(); ++n) {
        const int r = n - 1;
        list.append();
        ReviewRow &row = list.buffer();
        if (r == split)
            ahead->wait(progress);
        if (r < split || !ahead->take(r, row)) {
            if (r + RowsAhead < split)
                reader.prefetch(r + RowsAhead);
            reader.read(r, row);
            CompleteRow(row, pdfFolder);
        }
        if (inputs.showDelNotes) {
            if (auto note = objects.deliveryNotes.find(row.st_trtype, row.st_trref))
                row.setValue(ReviewField::it_numdelv, *note);
        }
        const bool report = n == 1 || n == count
            || (n % RowsPerClockCheck == 0
                && progress.clockMs() - lastReport >= BuildReportIntervalMs);
        const QString name = report ? row.sn_name : QString();
        list.post();
        query.next();
        if (report) {
            progress.setCaption(QStringLiteral("Building Results [") + QString::number(n)
                + QStringLiteral(" of ") + countText + QStringLiteral("]  [") + name + u']');
            progress.setPosition(n);
            progress.processMessages();
            lastReport = progress.clockMs();
        }
    }
    list.sort({ QStringLiteral("st_account"), QStringLiteral("st_trref") }, false);
}

} // namespace

int BuildReviewList(ReviewBuildObjects &objects, const ReviewBuildInputs &inputs,
    BuildProgress &progress, QString &filterClause)
{
    objects.memSTran.close();
    objects.qrySTran.close();
    // The PDF folder is read beside the query: one listing for every row's existence test.
    std::future<HostFolderIndex> pdfListing = std::async(
        std::launch::async, [folder = CompanyPdfFolder(inputs.dataFolder, inputs.companyId)] {
            return HostFolderIndex(folder);
        });
    progress.setCaption(QStringLiteral("Preparing Query"));
    EnsureStatusTable(objects.adoCommand, inputs.dataFolder, inputs.companyId);
    const QString select = SelectText(inputs.companyId);
    objects.qrySTran.setSql(select);
    filterClause = FilterClause(inputs.companyId, inputs.filter);
    objects.qrySTran.setSql(SqlText(ReviewQueryLines(select, filterClause, inputs.sortClause)));
    objects.qrySTran.open();
    if (inputs.showDelNotes)
        OpenDeliveryNotes(
            objects.deliveryNotes, objects.qryInvDelNotes, objects.qryCNDelNotes, inputs.companyId);
    FillReviewList(objects, inputs, pdfListing, progress);
    return objects.qrySTran.recordCount();
}

qint64 BuildProgress::clockMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

const QString DataConnectionProblem
    = QStringLiteral("Problem with Data Connection and Location information");

bool DisplayInputsComplete(const QString &dataFolder, const QString &connectionText)
{
    return !IsBlank(dataFolder) && !IsBlank(connectionText);
}

QString RecordCountLabel(int rows)
{
    return QString::number(rows) + QStringLiteral(" recs");
}
