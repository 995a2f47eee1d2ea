#include "review/ReviewBuild.h"

#include "data/DeliveryNoteOps.h"
#include "data/FolderIndexCache.h"
#include "data/HostPath.h"
#include "data/StatusTableOps.h"
#include "dispatch/DocumentPaths.h"
#include "platform/database/Query.h"
#include "review/MemSTran.h"
#include "review/ReviewRowReader.h"
#include "util/UtilMisc.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <span>
#include <string_view>
#include <utility>
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

// The clock is read every so many rows only: a row takes well under a microsecond.
constexpr int RowsPerClockCheck = 32;
// How far ahead of the row being filled its place in the list is asked for: the rows are
// filled at scattered places, and waiting for each in turn costs more than the filling.
constexpr int RowsAhead = 12;

void PrefetchForWrite([[maybe_unused]] const ReviewRow &row)
{
#if defined(__GNUC__)
    const char *bytes = reinterpret_cast<const char *>(&row);
    for (size_t line = 0; line < sizeof(ReviewRow); line += 64)
        __builtin_prefetch(bytes + line, 1);
    __builtin_prefetch(bytes + sizeof(ReviewRow) - 1, 1);
#endif
}

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

// Moves the query's cursor to a row (from 0).
void MoveTo(db::Query &query, int row)
{
    if (query.recNo() - 1 > row)
        query.first();
    while (query.recNo() - 1 < row && !query.eof())
        query.next();
}

// The list's rows are filled in the order the result's values lie in memory (the query's sort
// has scattered them) and each goes to its place in the list: reading in sequence costs far
// less than waiting for memory at random. The PDF names are looked up together once the fill is
// done and the folder's listing is there.
void FillReviewList(ReviewBuildObjects &objects, const ReviewBuildInputs &inputs,
    std::future<std::shared_ptr<const HostFolderIndex>> &pdfListing, BuildProgress &progress)
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
    SuspendedControls suspended(list);
    const std::vector<int> order = query.rowsInStorageOrder();
    const std::span<ReviewRow> rows = list.appendRows(count);
    // The PDF name of each row in the order filled, blanks trimmed, when in ASCII (the names
    // then lie in sequence too); the rows with another are listed.
    std::vector<std::string_view> pdfNames(static_cast<size_t>(count));
    std::vector<int> otherPdfNames;
    // Rows with a value that needs the field conversion, and their turns in the fill.
    std::vector<std::pair<int, size_t>> converted;

    // Shows row n's number and customer name, as the list holds the row.
    const auto report = [&](int n) {
        ReviewRow shown;
        if (!reader.read(n - 1, shown, false)) {
            MoveTo(query, n - 1);
            reader.read(n - 1, shown);
        }
        progress.setCaption(QStringLiteral("Building Results [") + QString::number(n)
            + QStringLiteral(" of ") + countText + QStringLiteral("]  [") + shown.sn_name + u']');
        progress.setPosition(n);
        progress.processMessages();
    };

    qint64 lastReport = 0;
    for (int n = 1; n <= count; ++n) {
        if (n + RowsAhead <= count)
            PrefetchForWrite(
                rows[static_cast<size_t>(order[static_cast<size_t>(n - 1 + RowsAhead)])]);
        const int index = order[static_cast<size_t>(n - 1)];
        ReviewRow &row = rows[static_cast<size_t>(index)];
        if (!reader.read(index, row, false))
            converted.emplace_back(index, n - 1);
        DeriveFields(row, objects, inputs);
        std::string_view name = row.st_memot.utf8();
        if (row.st_memot.isInPlace() && Ascii(name)) {
            while (!name.empty() && Blank(name.front()))
                name.remove_prefix(1);
            while (!name.empty() && Blank(name.back()))
                name.remove_suffix(1);
            pdfNames[static_cast<size_t>(n - 1)] = name;
        } else {
            otherPdfNames.push_back(index);
        }
        if (n == 1 || n == count
            || (n % RowsPerClockCheck == 0
                && progress.clockMs() - lastReport >= BuildReportIntervalMs)) {
            report(n);
            lastReport = progress.clockMs();
        }
    }
    std::sort(converted.begin(), converted.end());
    for (const auto &[index, turn] : converted) {
        ReviewRow &row = rows[static_cast<size_t>(index)];
        MoveTo(query, index);
        reader.read(index, row);
        DeriveFields(row, objects, inputs);
        pdfNames[turn] = {};
        otherPdfNames.push_back(index);
    }
    // The cursor ends past the last row, as after reading the rows in turn.
    MoveTo(query, count);

    const std::shared_ptr<const HostFolderIndex> listing = pdfListing.get();
    const HostFolderIndex &pdfFolder = *listing;
    const std::vector<bool> exists = pdfFolder.containsFiles(pdfNames);
    for (size_t turn = 0; turn < order.size(); ++turn) {
        if (turn + RowsAhead < order.size())
            PrefetchForWrite(rows[static_cast<size_t>(order[turn + RowsAhead])]);
        ReviewRow &row = rows[static_cast<size_t>(order[turn])];
        row.Exists = exists[turn];
        row.markSet(ReviewField::Exists);
    }
    for (const int index : otherPdfNames) {
        ReviewRow &row = rows[static_cast<size_t>(index)];
        row.Exists = PdfExists(pdfFolder, row.st_memot);
    }
    list.sort({ QStringLiteral("st_account"), QStringLiteral("st_trref") }, false);
}

} // namespace

int BuildReviewList(ReviewBuildObjects &objects, const ReviewBuildInputs &inputs,
    BuildProgress &progress, QString &filterClause)
{
    objects.memSTran.close();
    objects.qrySTran.close();
    progress.setCaption(QStringLiteral("Preparing Query"));
    EnsureStatusTable(objects.adoCommand, inputs.dataFolder, inputs.companyId);
    const QString select = SelectText(inputs.companyId);
    objects.qrySTran.setSql(select);
    filterClause = FilterClause(inputs.companyId, inputs.filter);
    objects.qrySTran.setSql(SqlText(ReviewQueryLines(select, filterClause, inputs.sortClause)));
    objects.qrySTran.open();
    // The PDF folder is listed once for every row's existence test (or taken as last listed
    // while the folder is unchanged), on another thread while the list fills: beside the query
    // it would share the cores with the query's own threads, and most of what it costs is the
    // system's time reading the folder.
    std::future<std::shared_ptr<const HostFolderIndex>> pdfListing = std::async(
        std::launch::async, [folder = CompanyPdfFolder(inputs.dataFolder, inputs.companyId)] {
            return CurrentFolderIndex(folder);
        });
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
