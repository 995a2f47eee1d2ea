// Test and Get folders: the connection test on a worker thread, its steps shown in the dialog.

#include "mail/accounts/FrmMailAccount.h"
#include "mail/accounts/MailAccountOAuth.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>

void TFrmMailAccount::startTest(bool foldersOnly)
{
    if (testing())
        return;
    QWidget *control = nullptr;
    const QString problem = validateServers(control);
    if (!problem.isEmpty()) {
        showProblem(problem, control);
        return;
    }
    // An OAuth 2.0 account that has not signed in yet signs in first; the test follows.
    if (oauth->chosen() && !oauth->signedIn()) {
        txtTestResult->setPlainText(QStringLiteral("Signing in first ..."));
        oauth->signIn(false, [this, foldersOnly](bool signedIn, const QString &text) {
            if (signedIn)
                startTest(foldersOnly);
            else
                txtTestResult->setPlainText(text);
        });
        return;
    }
    const Profile account = profile();
    auto cancel = std::make_shared<std::atomic_bool>(false);
    auto result = std::make_shared<ConnectionTestResult>();
    m_testCancel = cancel;
    m_testThread = QThread::create(
        [account, cancel, result] { *result = TestConnection(account, cancel.get()); });
    m_testThread->setObjectName(QStringLiteral("MailAccountTest"));
    connect(m_testThread, &QThread::finished, this, [this, result, foldersOnly] {
        m_testThread->wait();
        delete m_testThread;
        m_testThread = nullptr;
        unsetCursor();
        updateEnabled();
        showTestResult(*result, foldersOnly);
    });
    txtTestResult->setPlainText(
        foldersOnly ? QStringLiteral("Getting the folders ...") : QStringLiteral("Testing ..."));
    setCursor(Qt::BusyCursor);
    m_testThread->start();
    updateEnabled();
}

void TFrmMailAccount::showTestResult(const ConnectionTestResult &result, bool foldersOnly)
{
    QStringList lines;
    for (const ProbeStep &step : result.steps) {
        const QString mark = step.outcome == ProbeOutcome::Ok ? QStringLiteral("\u2713 ")
                                                              : QStringLiteral("\u2717 ");
        lines.append(mark + step.text);
    }
    lines.append(result.ok ? QStringLiteral("The test passed: the account can send.")
                           : QStringLiteral("The test failed; nothing was sent."));
    txtTestResult->setPlainText(lines.join(QLatin1Char('\n')));

    if (!result.imapFolders.isEmpty() || !result.sentFolder.isEmpty())
        setSentFolders(result.imapFolders, result.sentFolder);
    if (foldersOnly && cmbSentFolder->isEnabled())
        cmbSentFolder->setFocus(Qt::OtherFocusReason);
    else if (btnTest->isEnabled())
        btnTest->setFocus(Qt::OtherFocusReason);
    Q_EMIT testFinished(result);
}

void TFrmMailAccount::cancelTest()
{
    if (!m_testThread)
        return;
    // The test ends at its next step or transfer tick; its result is not wanted any more.
    *m_testCancel = true;
    disconnect(m_testThread, nullptr, this, nullptr);
    m_testThread->wait();
    delete m_testThread;
    m_testThread = nullptr;
    unsetCursor();
    updateEnabled();
}
