#pragma once

#include <QString>

class QWidget;
class TFrmSalesMain;

// A hook for the screenshot script, not for users: when VELLORAN_SCREENSHOT_DIR names a
// folder, shortly after start each page of the main window is saved there as a PNG and the
// program quits (without the close step, so no settings are written).
void ScheduleScreenshots(TFrmSalesMain &window);

// Lets pending events run, then saves the widget as it looks as the file name in the folder;
// a file that cannot be written is reported on stderr. Returns whether it was written.
bool SaveWidgetScreenshot(QWidget &widget, const QString &folder, const QString &name);

// Saves the mail settings dialog, as the main window opens it, as 4-FrmMailSettings.png in the
// folder. Returns whether the file was written.
bool SaveMailSettingsScreenshot(QWidget *owner, const QString &folder);

// Saves the export dialog in each of its choices as 5-FrmUtlQry2Excel-<choice>.png in the
// folder. Returns the number of files that could not be written.
int SaveExportScreenshots(TFrmSalesMain &window, const QString &folder);

// Saves the send progress dialog during a run as 6-DlgSend.png in the folder. Returns whether
// the file was written.
bool SaveSendProgressScreenshot(TFrmSalesMain &window, const QString &folder);

// Saves the send preview and the dispatch history (with sample rows, not the user's) as
// 8-DlgSendPreview.png and 8-DlgDispatchHistory.png in the folder. Returns the number of files
// that could not be written.
int SaveJournalScreenshots(QWidget *owner, const QString &folder);

// Saves the mail accounts list (with sample accounts, not the user's), the account dialog with
// each provider preset and a failed connection test as 7-FrmMailAccount*.png in the folder.
// Returns the number of files that could not be written.
int SaveMailAccountScreenshots(QWidget *owner, const QString &folder);

// Saves the account dialog of an account that signs in with OAuth 2.0 and the prompt of a
// sign-in with a code (sample values, not the user's) as 9-FrmMailAccount-oauth.png and
// 9-DlgDeviceCode.png in the folder. Returns the number of files that could not be written.
int SaveOAuthScreenshots(QWidget *owner, const QString &folder);
