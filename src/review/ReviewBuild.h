#pragma once

#include "review/QueryBuilder.h"

#include <QString>

class DeliveryNoteLookup;
class MemSTran;
namespace db {
class Command;
class Query;
} // namespace db

// What the progress dialog shows of a build.
class BuildProgress
{
public:
    virtual ~BuildProgress() = default;
    virtual void setCaption(const QString &caption) = 0;
    virtual void setMax(int max) = 0;
    virtual void setPosition(int position) = 0;
    // Lets pending window messages through.
    virtual void processMessages() { }
    // Milliseconds on a steady clock, which spaces the fill's reports.
    virtual qint64 clockMs() const;
};

// The fill shows its progress (caption, position) and lets window messages through for its
// first row, then whenever this much time has passed since the last report, and for its last
// row: often enough for a live dialog, not once per row.
constexpr int BuildReportIntervalMs = 8;

// The main window's objects a build works on.
struct ReviewBuildObjects
{
    db::Query &qrySTran;
    db::Query &qryChk;
    db::Query &qryInvDelNotes;
    db::Query &qryCNDelNotes;
    db::Command &adoCommand;
    MemSTran &memSTran;
    DeliveryNoteLookup &deliveryNotes;
};

// The Setup and filter values read when the build starts.
struct ReviewBuildInputs
{
    QString dataFolder;
    QString companyId;
    ReviewFilter filter;
    QString sortClause;
    bool showDelNotes = false;
};

// Builds the review list: closes the list and the query, makes sure the status table exists,
// composes and runs the review query, reads the delivery-note lookups when asked, fills the list
// and sorts it by account and reference. filterClause is replaced when the clause is composed,
// before the query runs. An error ends the build where it happens (rows stored so far stay).
// Returns the query's row count, for the record-count label.
int BuildReviewList(ReviewBuildObjects &objects, const ReviewBuildInputs &inputs,
    BuildProgress &progress, QString &filterClause);

// Display's check: it runs only when neither the data folder nor the connection text is blank
// ("<None>" passes). On failure the window shows DataConnectionProblem, brings the Setup page
// to the front and puts the focus into the data-folder box.
bool DisplayInputsComplete(const QString &dataFolder, const QString &connectionText);
extern const QString DataConnectionProblem;

// The record-count label after a build: "<n> recs".
QString RecordCountLabel(int rows);
