#include "data/DispatchJournal.h"

#include "data/HostPath.h"
#include "data/StatusTable.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "platform/database/vfp/Table.h"
#include "util/Errors.h"
#include "util/MessageService.h"
#include "util/UtilMisc.h"

#include <QDir>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>
#include <utility>

namespace {

const QString ScriptLineBreak = QStringLiteral("   +CHR(13)+CHR(10)+");
const QString Accepted = QStringLiteral("ACCEPTED");
const QString Refused = QStringLiteral("REFUSED");

// The widths of the character columns, as the creation script gives them.
constexpr int UserWidth = 30;
constexpr int StationWidth = 40;
constexpr int TextWidth = 254;

// A text cut to a column's width; line breaks become blanks so a reason reads on one line.
std::string Fit(QString text, int width)
{
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    text = text.trimmed();
    if (text.size() > width)
        text.truncate(width);
    return text.toStdString();
}

// A text for a statement's string literal: one quote character the text does not contain.
// Host names, channels and run ids never hold all three.
QString Literal(const QString &text)
{
    for (const QChar quote : { u'\'', u'"' }) {
        if (!text.contains(quote))
            return quote + text + quote;
    }
    return u'[' + text + u']';
}

vfp::Value DateTimeValue(const QDateTime &when)
{
    const QDateTime local = when.toLocalTime();
    return vfp::Value::dateTime(
        static_cast<int32_t>(local.date().toJulianDay()), local.time().msecsSinceStartOfDay());
}

JournalEntry EntryOf(const db::Query &query)
{
    JournalEntry entry;
    entry.document = query.fieldByName(QStringLiteral("jl_id")).asInteger();
    entry.when = query.fieldByName(QStringLiteral("jl_when")).asVariant().toDateTime();
    entry.channel = query.fieldByName(QStringLiteral("jl_channel")).asString().trimmed()
            == ChannelText(JournalChannel::Paper)
        ? JournalChannel::Paper
        : JournalChannel::Mail;
    entry.user = query.fieldByName(QStringLiteral("jl_user")).asString().trimmed();
    entry.workstation = query.fieldByName(QStringLiteral("jl_station")).asString().trimmed();
    entry.destination = query.fieldByName(QStringLiteral("jl_to")).asString().trimmed();
    entry.reference = query.fieldByName(QStringLiteral("jl_ref")).asString().trimmed();
    entry.accepted
        = query.fieldByName(QStringLiteral("jl_result")).asString().trimmed() == Accepted;
    entry.reason = query.fieldByName(QStringLiteral("jl_reason")).asString().trimmed();
    entry.run = query.fieldByName(QStringLiteral("jl_run")).asString().trimmed();
    entry.asked = query.fieldByName(QStringLiteral("jl_asked")).asBoolean();
    return entry;
}

QList<JournalEntry> ReadEntries(db::Query &query, const QString &sql)
{
    query.close();
    query.setSql(sql);
    query.open();
    QList<JournalEntry> entries;
    for (query.first(); !query.eof(); query.next())
        entries.append(EntryOf(query));
    query.close();
    return entries;
}

} // namespace

QString JournalTableName(const QString &companyId)
{
    return StatusTableName(companyId) + u'L';
}

QString JournalTableCreationScript(const QString &dataFolder, const QString &companyId)
{
    const QString table = JournalTableName(companyId);
    const QString folder = ReplaceAll(dataFolder, QStringLiteral("\\\\"), QStringLiteral("\\"));
    return QStringLiteral("EXECSCRIPT([SET DEFAULT TO \"") + folder + QStringLiteral("\"]")
        + ScriptLineBreak + QStringLiteral("[CREATE TABLE ") + table
        + QStringLiteral(" FREE (JL_ID N(10,0), JL_WHEN T, JL_CHANNEL C(6), JL_USER C(30), "
                         "JL_STATION C(40), JL_TO C(254), JL_REF C(254), JL_RESULT C(8), "
                         "JL_REASON C(254), JL_RUN C(36), JL_ASKED L)]")
        + ScriptLineBreak + QStringLiteral("[USE ") + table + QStringLiteral(" EXCLUSIVE]")
        + ScriptLineBreak + QStringLiteral("[INDEX ON JL_ID TAG ST_ZRQL1]") + ScriptLineBreak
        + QStringLiteral("[CLOSE ALL])");
}

bool EnsureJournalTable(db::Command &command, const QString &dataFolder, const QString &companyId)
{
    // A writer killed mid-append may have left the index short of a record: the engine checks
    // the program's own tables when it opens them.
    command.connection().markOwnTable(JournalTableName(companyId));
    const QString base = dataFolder + u'\\' + JournalTableName(companyId);
    if (HostFileExists(base + QStringLiteral(".dbf"))
        && HostFileExists(base + QStringLiteral(".cdx")))
        return false;
    command.execute(JournalTableCreationScript(dataFolder, companyId));
    return true;
}

bool JournalTableExists(const QString &dataFolder, const QString &companyId)
{
    return HostFileExists(
        dataFolder + u'\\' + JournalTableName(companyId) + QStringLiteral(".dbf"));
}

QString ChannelText(JournalChannel channel)
{
    return channel == JournalChannel::Paper ? QStringLiteral("PAPER") : QStringLiteral("E-MAIL");
}

QString ChannelWords(JournalChannel channel)
{
    return channel == JournalChannel::Paper ? QStringLiteral("paper") : QStringLiteral("e-mail");
}

QString JournalUserName()
{
    for (const char *name : { "USER", "LOGNAME", "USERNAME" }) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    // Without the variables (a service, a test runner) the home folder is named after the user.
    const QString home = QDir::home().dirName();
    return home.isEmpty() ? QStringLiteral("unknown") : home;
}

QString JournalWorkstationName()
{
    return QSysInfo::machineHostName();
}

DispatchJournal::DispatchJournal(db::Connection &connection, QString dataFolder, QString companyId)
    : m_connection(connection)
    , m_dataFolder(std::move(dataFolder))
    , m_companyId(std::move(companyId))
    , m_run(QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_user(JournalUserName())
    , m_workstation(JournalWorkstationName())
{ }

void DispatchJournal::record(const DispatchAttempt &attempt)
{
    if (attempt.accepted) {
        for (const qint64 id : attempt.documents)
            m_delivered.insert(id);
    }
    if (m_failed)
        return;
    try {
        append(attempt);
    } catch (const std::exception &error) {
        fail(QString::fromUtf8(error.what()));
    }
}

void DispatchJournal::append(const DispatchAttempt &attempt)
{
    if (!m_ready) {
        db::Command command(m_connection);
        EnsureJournalTable(command, m_dataFolder, m_companyId);
        m_ready = true;
    }
    std::shared_ptr<vfp::Table> table
        = m_connection.database().table(JournalTableName(m_companyId).toStdString());
    const auto field = [&table](const char *name) {
        const int index = table->fieldIndex(name);
        if (index < 0)
            throw Exception(QStringLiteral("The journal has no column ") + QLatin1String(name));
        return index;
    };
    const vfp::Value when = DateTimeValue(QDateTime::currentDateTime());
    for (const qint64 document : attempt.documents) {
        vfp::FieldValues values;
        values.emplace_back(field("JL_ID"), vfp::Value::numeric(double(document), 0));
        values.emplace_back(field("JL_WHEN"), when);
        values.emplace_back(
            field("JL_CHANNEL"), vfp::Value::character(ChannelText(attempt.channel).toStdString()));
        values.emplace_back(field("JL_USER"), vfp::Value::character(Fit(m_user, UserWidth)));
        values.emplace_back(
            field("JL_STATION"), vfp::Value::character(Fit(m_workstation, StationWidth)));
        values.emplace_back(
            field("JL_TO"), vfp::Value::character(Fit(attempt.destination, TextWidth)));
        values.emplace_back(
            field("JL_REF"), vfp::Value::character(Fit(attempt.reference, TextWidth)));
        values.emplace_back(field("JL_RESULT"),
            vfp::Value::character((attempt.accepted ? Accepted : Refused).toStdString()));
        values.emplace_back(
            field("JL_REASON"), vfp::Value::character(Fit(attempt.reason, TextWidth)));
        values.emplace_back(field("JL_RUN"), vfp::Value::character(m_run.toStdString()));
        values.emplace_back(field("JL_ASKED"), vfp::Value::logical(false));
        table->append(values);
        m_written = true;
    }
}

void DispatchJournal::fail(const QString &reason)
{
    m_failed = true;
    ShowWarning(QStringLiteral("The dispatch journal ") + JournalTableName(m_companyId)
        + QStringLiteral(" cannot be written, so this run is not recorded in it. The run goes on.")
        + QStringLiteral("\r\n\r\n") + reason);
}

QList<JournalEntry> ReadJournal(db::Query &query, const QString &companyId)
{
    return ReadEntries(query, QStringLiteral("SELECT * FROM ") + JournalTableName(companyId));
}

QList<JournalEntry> ReadDocumentJournal(db::Query &query, const QString &companyId, qint64 document)
{
    QList<JournalEntry> entries = ReadEntries(query,
        QStringLiteral("SELECT * FROM ") + JournalTableName(companyId)
            + QStringLiteral(" WHERE JL_ID = ") + QString::number(document));
    // Newest first; rows of one moment keep the order they were written in, reversed.
    std::reverse(entries.begin(), entries.end());
    std::stable_sort(entries.begin(), entries.end(),
        [](const JournalEntry &a, const JournalEntry &b) { return a.when > b.when; });
    return entries;
}

QList<JournalEntry> ReadUnaskedDeliveries(
    db::Query &query, const QString &companyId, JournalChannel channel, const QString &workstation)
{
    const QString station = QString::fromStdString(Fit(workstation, StationWidth));
    QList<JournalEntry> entries = ReadEntries(query,
        QStringLiteral("SELECT * FROM ") + JournalTableName(companyId)
            + QStringLiteral(" WHERE JL_ASKED = .F. AND JL_RESULT = ") + Literal(Accepted)
            + QStringLiteral(" AND JL_CHANNEL = ") + Literal(ChannelText(channel))
            + QStringLiteral(" AND JL_STATION = ") + Literal(station));
    // = compares texts only up to the end of the shorter one: "PC1" would take "PC10" too.
    entries.removeIf([&](const JournalEntry &entry) { return entry.workstation != station; });
    return entries;
}

QSet<qint64> ReadDeliveredDocuments(
    db::Query &query, const QString &companyId, JournalChannel channel)
{
    query.close();
    query.setSql(QStringLiteral("SELECT JL_ID FROM ") + JournalTableName(companyId)
        + QStringLiteral(" WHERE JL_RESULT = ") + Literal(Accepted)
        + QStringLiteral(" AND JL_CHANNEL = ") + Literal(ChannelText(channel)));
    query.open();
    QSet<qint64> documents;
    for (query.first(); !query.eof(); query.next())
        documents.insert(query.fieldByName(QStringLiteral("jl_id")).asInteger());
    query.close();
    return documents;
}

QList<qint64> UnmarkedDocuments(
    db::Query &query, const QString &companyId, const QList<qint64> &documents, StatusFlag flag)
{
    const QString column
        = flag == StatusFlag::Printed ? QStringLiteral("st_zrqprnt") : QStringLiteral("st_zrqsent");
    QList<qint64> unmarked;
    for (const qint64 document : documents) {
        query.close();
        query.setSql(StatusCheckText(companyId, QString::number(document)));
        query.open();
        bool marked = false;
        for (query.first(); !query.eof(); query.next())
            marked = marked || query.fieldByName(column).asBoolean();
        query.close();
        if (!marked)
            unmarked.append(document);
    }
    return unmarked;
}

void MarkRunsAsked(db::Command &command, const QString &companyId, const QSet<QString> &runs)
{
    for (const QString &run : runs) {
        command.execute(QStringLiteral("UPDATE ") + JournalTableName(companyId)
            + QStringLiteral(" SET JL_ASKED = .T. WHERE JL_RUN = ") + Literal(run));
    }
}
