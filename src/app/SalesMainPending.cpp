#include "app/SalesMain.h"

// Handlers whose operations later parts of the program supply. Each is wired already, so
// every control and menu item can be used without harm in the meantime.

void TFrmSalesMain::BtnMailParametersClick() { }
void TFrmSalesMain::ExporttoExcel1Click() { }
