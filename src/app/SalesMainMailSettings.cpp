#include "app/SalesMain.h"

#include "dispatch/MailSettingsStore.h"
#include "dispatch/ui/U_MailSettings.h"

// The mail settings: the dialog behind "Set Mail Parameters" and the stored values that every
// logon of the window's mail session applies.

void TFrmSalesMain::BtnMailParametersClick()
{
    ShowMailSettings(this, true);
}

void TFrmSalesMain::MapiSessionBeforeLogon()
{
    // ProfileRequired stays off here: the logon takes the default profile whatever name is
    // stored.
    MailSettingsStore::ApplyTo(MapiSession.LogonInfo);
}
