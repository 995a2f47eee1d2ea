#include "review/ReviewBuild.h"

#include "data/DeliveryNoteOps.h"
#include "data/HostPath.h"
#include "data/StatusTableOps.h"
#include "dispatch/DocumentPaths.h"
#include "platform/database/Query.h"
#include "review/MemSTran.h"
#include "util/UtilMisc.h"

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

struct ColumnCopy
{
    int column;
    ReviewField field;
};

// Every query column whose name matches a review field, letter case ignored.
std::vector<ColumnCopy> MatchColumns(const db::Query &query)
{
    std::vector<ColumnCopy> copies;
    for (int i = 0; i < query.fieldCount(); ++i) {
        const int field = ReviewFieldIndex(query.fields().at(i).name);
        if (field >= 0)
            copies.push_back({ i, static_cast<ReviewField>(field) });
    }
    return copies;
}

void FillReviewList(
    ReviewBuildObjects &objects, const ReviewBuildInputs &inputs, BuildProgress &progress)
{
    db::Query &query = objects.qrySTran;
    MemSTran &list = objects.memSTran;
    progress.setCaption(QStringLiteral("Building Results"));
    list.open();
    const int count = query.recordCount();
    progress.setMax(count);
    list.reserve(count);
    const QString countText = QString::number(count);

    const std::vector<ColumnCopy> copies = MatchColumns(query);
    const HostFolderIndex pdfFolder(CompanyPdfFolder(inputs.dataFolder, inputs.companyId));
    SuspendedControls suspended(list);

    query.first();
    int n = 1;
    while (!query.eof()) {
        list.append();
        ReviewRow &row = list.buffer();
        for (const ColumnCopy &copy : copies) {
            const db::Field field = query.field(copy.column);
            row.setValue(copy.field, field.isNull() ? QVariant() : field.asVariant());
        }
        row.setValue(ReviewField::Exists, pdfFolder.containsFile(row.st_memot.trimmed()));
        row.setValue(ReviewField::Tag, row.zrqtag);
        row.setValue(ReviewField::MailInv, row.sn_docmail >= 8);
        if (inputs.showDelNotes) {
            if (auto note = objects.deliveryNotes.find(row.st_trtype, row.st_trref))
                row.setValue(ReviewField::it_numdelv, *note);
        }
        const QString name = row.sn_name;
        list.post();
        progress.setCaption(QStringLiteral("Building Results [") + QString::number(n)
            + QStringLiteral(" of ") + countText + QStringLiteral("]  [") + name + u']');
        progress.setPosition(n);
        query.next();
        ++n;
        progress.processMessages();
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
    if (inputs.showDelNotes)
        OpenDeliveryNotes(
            objects.deliveryNotes, objects.qryInvDelNotes, objects.qryCNDelNotes, inputs.companyId);
    FillReviewList(objects, inputs, progress);
    return objects.qrySTran.recordCount();
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
