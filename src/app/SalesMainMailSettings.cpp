#include "app/SalesMain.h"

// The mail settings: the dialog behind "Set Mail Parameters" and the stored values that every
// logon of the window's mail session applies.

void TFrmSalesMain::BtnMailParametersClick() { }

void TFrmSalesMain::MapiSessionBeforeLogon() { }
