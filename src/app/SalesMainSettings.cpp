#include "app/SalesMain.h"

#include "app/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

void TFrmSalesMain::LoadSettings()
{
    const SettingsStore store = settings();
    closeConnection();
    setConnectionString(store.readText(SettingsKey::OperaADO, SettingsDefault::OperaADO));
    EdtOperaDataFolder->setText(
        store.readText(SettingsKey::OperaDataFolder, SettingsDefault::OperaDataFolder));
    // An index outside the list leaves no printer selected.
    const int printer = store.readInteger(SettingsKey::cboPrinter, SettingsDefault::cboPrinter);
    cboPrinter->setCurrentIndex(printer >= 0 && printer < cboPrinter->count() ? printer : -1);
    const QString company = store.readText(SettingsKey::CompanyID, SettingsDefault::CompanyID);
    cbxCompanyID->setCurrentIndex(cbxCompanyID->findText(company, Qt::MatchExactly));
    cbxCompanyID->setEditText(company);
    EdtESubject->setText(store.readText(SettingsKey::ESubject, SettingsDefault::ESubject));
    EdtEMailBody->setPlainText(
        store.readMultiLine(SettingsKey::EMailBody, SettingsDefault::EMailBody));
    ckbShowDelNotes->setChecked(
        store.readText(SettingsKey::ShowDelNotes, SettingsDefault::ShowDelNotes)
        == QLatin1String("Y"));
}

void TFrmSalesMain::SaveSettings()
{
    const SettingsStore store = settings();
    store.writeText(SettingsKey::OperaADO, connectionString());
    store.writeText(SettingsKey::OperaDataFolder, EdtOperaDataFolder->text());
    store.writeInteger(SettingsKey::cboPrinter, cboPrinter->currentIndex());
    store.writeText(SettingsKey::CompanyID, cbxCompanyID->currentText());
    store.writeText(SettingsKey::ESubject, EdtESubject->text());
    store.writeMultiLine(SettingsKey::EMailBody, EdtEMailBody->toPlainText());
    store.writeText(SettingsKey::ShowDelNotes,
        ckbShowDelNotes->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));
}
