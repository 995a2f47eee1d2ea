#include "app/SalesMain.h"

// Handlers whose operations later parts of the program supply. Each is wired already, so
// every control and menu item can be used without harm in the meantime.

void TFrmSalesMain::BtnMailParametersClick() { }
void TFrmSalesMain::BtnGetAcrobatClick() { }
void TFrmSalesMain::NavSTranButtonClick(QPushButton *) { }
void TFrmSalesMain::ExporttoExcel1Click() { }
void TFrmSalesMain::TagAllClick() { }
void TFrmSalesMain::TagNoneClick() { }
void TFrmSalesMain::MarkaseMailed1Click() { }
void TFrmSalesMain::MarkasPrinted1Click() { }
void TFrmSalesMain::SetMailFlagsClick() { }
void TFrmSalesMain::ViewPDF1Click() { }
void TFrmSalesMain::PrintPDF1Click() { }
void TFrmSalesMain::DlgSendExecute(QObject *) { }
void TFrmSalesMain::DlgPrintExecute(QObject *) { }
void TFrmSalesMain::DlgPrintOneExecute(QObject *) { }
