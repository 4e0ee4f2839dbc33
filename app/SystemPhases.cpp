// The phases as the system runs them: each one is the subsystem's own operation, handed the
// part of the run and the platform services it uses.
#include "app/PackageMessage.h"
#include "app/SetupPhases.h"
#include "device/DeviceRemoval.h"
#include "device/DeviceStart.h"
#include "files/DriverPlacement.h"
#include "files/InstalledCopyRemoval.h"
#include "files/Recovery.h"
#include "package/DriverPackage.h"

InfReading InfReadingOf(Platform& platform)
{
    return {platform.files, platform.codePage, platform.system};
}

bool SystemPhases::ReadDriverPackage(SetupSession& session)
{
    PackageNote failure;
    return ShowPackageMessage(
        session, ::ReadDriverPackage(InfReadingOf(session.platform), session.State, session.Brand, failure));
}

bool SystemPhases::RecoverInterruptedRun(SetupSession& session)
{
    return ::RecoverInterruptedRun(session, session.platform.files);
}

int SystemPhases::RemoveMatchingDevices(SetupSession& session, const HardwareIdList& hardwareIds)
{
    const DeviceRemovalPass pass = ::RemoveMatchingDevices(session.platform.devices, hardwareIds);
    session.DeviceRunsUntilRestart = session.DeviceRunsUntilRestart || pass.atRestart;
    session.DeviceNodeRefusedRemoval = pass.refused; // the last pass tells which nodes stay
    return pass.removed;
}

int SystemPhases::RemoveInfCopies(SetupSession& session, const HardwareIdList& hardwareIds)
{
    return ::RemoveInfCopies(session, InfReadingOf(session.platform), hardwareIds);
}

void SystemPhases::DeleteDriverFile(SetupSession& session)
{
    ::DeleteDriverFile(session, session.platform.files);
}

void SystemPhases::PlaceDriverFiles(SetupSession& session, const PhaseSpan& span)
{
    ::PlaceDriverFiles(session, session.platform.files, session.platform.codePage, session.platform.registry, span);
}

bool SystemPhases::DriverFilesInPlace(SetupSession& session)
{
    return ::DriverFilesInPlace(session.platform.files, session.platform.codePage, session.State);
}

bool SystemPhases::DriverFileRemoved(SetupSession& session)
{
    return ::DriverFileRemoved(session.platform.files, session.State);
}

DeviceStartOutcome SystemPhases::StartDevicePhase(SetupSession& session, const PhaseSpan& span)
{
    Platform& platform = session.platform;
    return ::StartDevicePhase(session, platform.files, platform.devices, platform.configManager, platform.windows,
                              platform.clock, span);
}
