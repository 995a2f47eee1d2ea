#include "app/SalesMain.h"

// The list export behind the grid's "Export to Excel".

void TFrmSalesMain::ExporttoExcel1Click() { }
