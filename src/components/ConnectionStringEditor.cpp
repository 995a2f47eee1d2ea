#include "components/ConnectionStringEditor.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString FileNamePrefix = QStringLiteral("FILE NAME=");

} // namespace

ConnectionStringEditor::ConnectionStringEditor(
    const QString &title, const QString &connectionString, Builder builder, QWidget *parent)
    : QDialog(parent)
    , m_builder(std::move(builder))
{
    setObjectName(QStringLiteral("ConnectionStringEditor"));
    setWindowTitle(title);

    auto *group = new QGroupBox(QStringLiteral(" Source of Connection "), this);
    group->setObjectName(QStringLiteral("GrpSource"));
    m_useDataLink = new QRadioButton(QStringLiteral("Use Data &Link File"), group);
    m_useDataLink->setObjectName(QStringLiteral("RadDataLinkFile"));
    m_dataLink = new QComboBox(group);
    m_dataLink->setObjectName(QStringLiteral("cbxDataLinkFile"));
    m_dataLink->setEditable(true);
    m_browse = new QPushButton(QStringLiteral("&Browse..."), group);
    m_browse->setObjectName(QStringLiteral("BtnBrowse"));
    m_useString = new QRadioButton(QStringLiteral("Use &Connection String"), group);
    m_useString->setObjectName(QStringLiteral("RadConnectionString"));
    m_string = new QLineEdit(group);
    m_string->setObjectName(QStringLiteral("EdtConnectionString"));
    m_build = new QPushButton(QStringLiteral("B&uild..."), group);
    m_build->setObjectName(QStringLiteral("BtnBuild"));

    auto *grid = new QGridLayout(group);
    grid->addWidget(m_useDataLink, 0, 0, 1, 2);
    grid->addWidget(m_dataLink, 1, 0);
    grid->addWidget(m_browse, 1, 1);
    grid->addWidget(m_useString, 2, 0, 1, 2);
    grid->addWidget(m_string, 3, 0);
    grid->addWidget(m_build, 3, 1);
    grid->setColumnStretch(0, 1);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("BtnOK"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("BtnCancel"));
    QPushButton *help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("BtnHelp"));
    help->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    resize(480, sizeHint().height());

    if (connectionString.startsWith(FileNamePrefix)) {
        m_useDataLink->setChecked(true);
        m_dataLink->setEditText(connectionString.mid(FileNamePrefix.size()));
    } else {
        m_useString->setChecked(true);
        m_string->setText(connectionString);
    }
    updateEnabling();

    connect(m_useDataLink, &QRadioButton::toggled, this, &ConnectionStringEditor::updateEnabling);
    connect(m_browse, &QPushButton::clicked, this, &ConnectionStringEditor::browseDataLink);
    connect(m_build, &QPushButton::clicked, this, &ConnectionStringEditor::build);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString ConnectionStringEditor::connectionString() const
{
    return usesDataLinkFile() ? FileNamePrefix + m_dataLink->currentText() : m_string->text();
}

bool ConnectionStringEditor::usesDataLinkFile() const
{
    return m_useDataLink->isChecked();
}

bool ConnectionStringEditor::Edit(
    const QString &title, QString &connectionString, Builder builder, QWidget *parent)
{
    ConnectionStringEditor editor(title, connectionString, std::move(builder), parent);
    if (editor.exec() != QDialog::Accepted)
        return false;
    const QString edited = editor.connectionString();
    if (edited == connectionString)
        return false;
    connectionString = edited;
    return true;
}

void ConnectionStringEditor::updateEnabling()
{
    const bool link = m_useDataLink->isChecked();
    m_dataLink->setEnabled(link);
    m_browse->setEnabled(link);
    m_string->setEnabled(!link);
    m_build->setEnabled(!link);
}

void ConnectionStringEditor::browseDataLink()
{
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Select Data Link File"),
        m_dataLink->currentText(), QStringLiteral("Data Link Files (*.udl);;All Files (*)"));
    if (!file.isEmpty())
        m_dataLink->setEditText(file);
}

void ConnectionStringEditor::build()
{
    if (!m_builder)
        return;
    const QString built = m_builder(this, m_string->text());
    if (!built.isEmpty())
        m_string->setText(built);
}
