#include "app/SalesMain.h"

// The e-mail run of Send Tagged, inside DlgSend.

void TFrmSalesMain::DlgSendExecute(QObject *) { }
