// The record of one run: per-run paths, names and codes.
#pragma once
#include <cstdint>

#include "records/FixedText.h"
#include "records/HardwareIdList.h"
#include "records/OsClass.h"

// Filled while the setup dialog starts and read-only afterwards.
struct SetupState {
    HardwareIdList HardwareIds;
    ::OsClass OsClass = ::OsClass::Unsupported;
    FixedText<10> TargetVidText;
    FixedText<10> TargetPidText;
    FixedText<40> ModelsSectionName;
    FixedText<20> SetupFileName;
    FixedText<20> MpdInfName;
    FixedText<20> FddInfName;
    FixedText<20> DriverFileName;
    FixedText<20> PortDriverFileName;
    FixedText<260> ProgramFolder;
    FixedText<260> WindowsFolder;
    // The target model line's description: the text the new-hardware wizard shows for the device.
    FixedText<64> DeviceDescription;
    // What #INF_DEV_DESC# stands for: the package's SetupDeviceDesc where it fits, else the
    // DeviceDescription.
    FixedText<64> DeviceDisplayName;
    FixedText<40> ProviderName;
    FixedText<40> InstallSectionName;
    std::int32_t Win98Only = 0;
};
