// The phases as the system runs them: each one is the subsystem's own operation.
#include "app/SetupPhases.h"
#include "device/DeviceRemoval.h"
#include "device/DeviceStart.h"
#include "files/DriverPlacement.h"
#include "files/InstalledCopyRemoval.h"
#include "files/Recovery.h"
#include "package/DriverPackage.h"

bool SystemPhases::ReadDriverPackage(SetupSession& session)
{
    return ::ReadDriverPackage(session);
}

void SystemPhases::RecoverInterruptedRun(SetupSession& session)
{
    ::RecoverInterruptedRun(session);
}

int SystemPhases::RemoveMatchingDevices(SetupSession& session, const HardwareIdList& hardwareIds)
{
    return ::RemoveMatchingDevices(session, hardwareIds);
}

int SystemPhases::RemoveInfCopies(SetupSession& session, const char* vidText, const char* pidText)
{
    return ::RemoveInfCopies(session, vidText, pidText);
}

void SystemPhases::DeleteDriverFile(SetupSession& session)
{
    ::DeleteDriverFile(session);
}

void SystemPhases::PlaceDriverFiles(SetupSession& session, int from, int to)
{
    ::PlaceDriverFiles(session, from, to);
}

bool SystemPhases::DriverFilesInPlace(SetupSession& session)
{
    return ::DriverFilesInPlace(session);
}

bool SystemPhases::StartDevicePhase(SetupSession& session, int from, int to)
{
    return ::StartDevicePhase(session, from, to);
}
