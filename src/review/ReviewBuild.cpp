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
    SuspendedControls suspended(list);

    qint64 lastReport = 0;
    query.first();
    for (int n = 1; !query.eof(); ++n) {
        list.append();
        ReviewRow &row = list.buffer();
        if (n + RowsAhead <= count)
            reader.prefetch(n - 1 + RowsAhead);
        reader.read(n - 1, row);
        row.Exists = pdfFolder.containsFile(QStringView(row.st_memot).trimmed());
        row.markSet(ReviewField::Exists);
        row.setValue(ReviewField::Tag, row.zrqtag);
        row.setValue(ReviewField::MailInv, row.sn_docmail >= 8);
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
