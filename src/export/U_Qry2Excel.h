#pragma once

#include "export/vxDlgForm.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;
class TLeftCaptionCheckBox;
class TRadioGroup;
class TSaveDialog;
class TvxBtnPanel;
class TvxEdit;

namespace db {
class Query;
}

// The list export dialog: writes the rows of a query to a tab- or comma-separated file or a
// workbook, and opens the file in the desktop's spreadsheet application.
class TFrmUtlQry2Excel : public TvxDlgForm
{
    Q_OBJECT

public:
    // The choices of RadOpt, by index.
    enum Choice { ViewInExcel = 0, SaveAsTab = 1, SaveAsCsv = 2, SaveAsWorkbook = 3 };

    explicit TFrmUtlQry2Excel(QWidget *parent = nullptr);

    // The query whose rows are exported; expected to be open.
    void SetDataSet(db::Query *query) { SrcQry = query; }

    // Where files named without a folder go: the program's folder, ending in a separator.
    QString ExportFolder;
    // Where the name of a file to view is reserved: the user's temporary folder.
    QString TempFolder;

    QWidget *PnlRad;
    TRadioGroup *RadOpt;
    QWidget *PnlShow;
    TLeftCaptionCheckBox *ckbShowAllColumns;
    QWidget *PnlSaveAs;
    QGroupBox *GrpSaveAs;
    QLabel *vxLabel2;
    TvxEdit *EdtSaveTo;
    TvxBtnPanel *vxBtnPanel1;
    QPushButton *BtnProceed;
    QPushButton *BtnCancel;
    TSaveDialog *Save;
    db::Query *SrcQry = nullptr;

    void RadOptClick();
    void EdtSaveToChange();
    void EdtSaveToButtonClick();
    void BtnProceedClick();

private:
    void vxDlgFormCreate();
    void UpdateProceed();
    void SaveToFile(Choice choice);
    void ViewInSpreadsheet();
    void OpenInSpreadsheet(const QString &path) const;
};

// Shows the export dialog modally for the query and disposes of it when it closes.
void ShowQry2Excel(db::Query &query);
