#include "JournalCompany.h"

#include "DemoWriter.h"
#include "e2e/CompanyOnDisk.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "review/MemSTran.h"
#include "util/UtilMisc.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

void JournalCompanyTest::makeCompany()
{
    m_folder = m_dir.file(QStringLiteral("opera"));
    WriteTestCompany(m_folder, 0);
}

TFrmSalesMain &JournalCompanyTest::openWindow()
{
    m_window = OpenCompanyWindow(settingsPath(), m_folder);
    return *m_window;
}

QList<QPair<QString, QList<qint64>>> JournalCompanyTest::mailableAccounts(int count) const
{
    QList<QPair<QString, QList<qint64>>> accounts;
    const MemSTran &list = m_window->reviewList();
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        if (!row.Exists || IsBlank(row.sn_email))
            continue;
        if (accounts.isEmpty() || accounts.last().first != row.st_account) {
            if (accounts.size() == count)
                break;
            accounts.append({ row.st_account, {} });
        }
        accounts.last().second.append(row.id);
    }
    return accounts;
}

void JournalCompanyTest::tagOnly(const QSet<qint64> &ids)
{
    m_window->TagNone->trigger();
    auto &list = const_cast<MemSTran &>(m_window->reviewList());
    for (int i = 0; i < list.recordCount(); ++i) {
        if (!ids.contains(list.row(i).id))
            continue;
        list.setRecNo(i);
        m_window->BrwSTranKeyDown(Qt::Key_F2);
    }
}

QList<JournalEntry> JournalCompanyTest::journalRows() const
{
    db::Connection connection;
    connection.setConnectionString(QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + m_folder);
    db::Query query(connection);
    return ReadJournal(query, QStringLiteral("Z"));
}

QString MessageIdOf(const QString &emlPath)
{
    QFile file(emlPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression header(QStringLiteral(R"(^Message-ID:\s*<([^>]+)>)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    const QString head
        = QString::fromLatin1(file.readAll()).section(QStringLiteral("\r\n\r\n"), 0, 0);
    return header.match(head).captured(1);
}
