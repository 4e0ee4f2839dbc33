// Hiding the system's own matching data under backup names while a device is started, and
// putting it back: the USB storage INF on Windows XP, the driver database on the 98 family.
#pragma once
#include "app/SetupSession.h"

void HideUsbStorageInf(SetupSession& session);
void RestoreUsbStorageInf(SetupSession& session);
void HideDriverDatabase(SetupSession& session);
void RestoreDriverDatabase(SetupSession& session);
