#pragma once

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

enum class StatusFlag;

namespace db {
class Command;
class Connection;
class Query;
} // namespace db

// The dispatch journal <id>_ST_ZRQL: a free table beside the status table with one row per
// document per dispatch attempt, shared by every workstation on the folder. Rows are appended
// under the table's header lock, so writers on several workstations never lose each other's
// rows, and its structural index on the document id stays true.
//
// Columns:
//   JL_ID      N(10,0)  the document's id (the status table's ST_ID)
//   JL_WHEN    T        when the mail server or print system answered (local time)
//   JL_CHANNEL C(6)     "E-MAIL" or "PAPER"
//   JL_USER    C(30)    the login name
//   JL_STATION C(40)    the workstation (host name)
//   JL_TO      C(254)   the addresses the message went to, or the printer
//   JL_REF     C(254)   the message's Message-ID, or the print job's id
//   JL_RESULT  C(8)     "ACCEPTED" or "REFUSED"
//   JL_REASON  C(254)   why it was refused, in words; blank when accepted
//   JL_RUN     C(36)    the run the attempt belonged to
//   JL_ASKED   L        the run's marking question was answered

enum class JournalChannel { Mail, Paper };

struct JournalEntry
{
    qint64 document = 0;
    QDateTime when;
    JournalChannel channel = JournalChannel::Mail;
    QString user;
    QString workstation;
    QString destination;
    QString reference;
    bool accepted = false;
    QString reason;
    QString run;
    bool asked = false;
};

// One message or print job and the documents that went with it.
struct DispatchAttempt
{
    JournalChannel channel = JournalChannel::Mail;
    QList<qint64> documents;
    QString destination;
    QString reference;
    bool accepted = false;
    QString reason;
};

// "<id>_ST_ZRQL"
QString JournalTableName(const QString &companyId);
// The EXECSCRIPT command that creates the table and its index tag ST_ZRQL1 on JL_ID.
QString JournalTableCreationScript(const QString &dataFolder, const QString &companyId);
// Sends the creation script when the table's .dbf or .cdx file is missing. Returns whether it
// was sent.
bool EnsureJournalTable(db::Command &command, const QString &dataFolder, const QString &companyId);

// Whether the table's .dbf is there; readers of the journal read nothing without it.
bool JournalTableExists(const QString &dataFolder, const QString &companyId);

// The texts stored for a channel and read back from them.
QString ChannelText(JournalChannel channel);
// "e-mail" and "paper", for the user.
QString ChannelWords(JournalChannel channel);

// Who is dispatching: the login name and the host name.
QString JournalUserName();
QString JournalWorkstationName();

// The journal of one run: appends a row per document of each attempt as the attempt ends.
// A journal that cannot be written never stops the run: the first failure is shown to the user
// as a warning, later ones are dropped silently.
class DispatchJournal
{
public:
    DispatchJournal(db::Connection &connection, QString dataFolder, QString companyId);

    void record(const DispatchAttempt &attempt);

    const QString &run() const { return m_run; }
    bool failed() const { return m_failed; }
    // Whether a row of this run reached the journal.
    bool written() const { return m_written; }
    // The documents this run handed over (accepted attempts).
    const QSet<qint64> &delivered() const { return m_delivered; }

private:
    void append(const DispatchAttempt &attempt);
    void fail(const QString &reason);

    db::Connection &m_connection;
    QString m_dataFolder;
    QString m_companyId;
    QString m_run;
    QString m_user;
    QString m_workstation;
    bool m_ready = false;
    bool m_failed = false;
    bool m_written = false;
    QSet<qint64> m_delivered;
};

// Every row, in the order written.
QList<JournalEntry> ReadJournal(db::Query &query, const QString &companyId);

// The rows of one document, newest first.
QList<JournalEntry> ReadDocumentJournal(
    db::Query &query, const QString &companyId, qint64 document);

// The accepted rows of a channel written on this workstation whose run's marking question was
// never answered (the program stopped before it), oldest first.
QList<JournalEntry> ReadUnaskedDeliveries(
    db::Query &query, const QString &companyId, JournalChannel channel, const QString &workstation);

// The documents the journal shows as accepted on a channel, on any workstation.
QSet<qint64> ReadDeliveredDocuments(
    db::Query &query, const QString &companyId, JournalChannel channel);

// Those of the documents whose status flag is not set (or that have no status row), in order.
QList<qint64> UnmarkedDocuments(
    db::Query &query, const QString &companyId, const QList<qint64> &documents, StatusFlag flag);

// Marks every row of these runs as asked; nothing for an empty list.
void MarkRunsAsked(db::Command &command, const QString &companyId, const QSet<QString> &runs);
