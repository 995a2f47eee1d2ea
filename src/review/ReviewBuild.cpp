#include "review/ReviewBuild.h"

#include "data/DeliveryNoteOps.h"
#include "data/FolderIndexCache.h"
#include "data/HostPath.h"
#include "data/StatusTableOps.h"
#include "dispatch/DocumentPaths.h"
#include "platform/database/Query.h"
#include "review/MemSTran.h"
#include "review/ReviewListFill.h"
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

void FillReviewList(ReviewBuildObjects &objects, const ReviewBuildInputs &inputs,
    std::future<std::shared_ptr<const HostFolderIndex>> &pdfListing, BuildProgress &progress)
{
    MemSTran &list = objects.memSTran;
    progress.setCaption(QStringLiteral("Building Results"));
    list.open();
    progress.setMax(objects.qrySTran.recordCount());
    SuspendedControls suspended(list);
    const bool inOrder = objects.qrySTran.recordCount() == 0
        || FillReviewRows(objects, inputs, progress, pdfListing,
            { ReviewField::st_account, ReviewField::st_trref });
    if (!inOrder)
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
    // The PDF folder is listed once for every row's existence test (or taken as last listed
    // while the folder is unchanged), on another thread while the query runs and the list
    // fills: most of what a new listing costs is the system's time reading the folder, which
    // the query's own threads hardly share.
    std::future<std::shared_ptr<const HostFolderIndex>> pdfListing = std::async(
        std::launch::async, [folder = CompanyPdfFolder(inputs.dataFolder, inputs.companyId)] {
            return CurrentFolderIndex(folder);
        });
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
