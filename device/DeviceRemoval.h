// The device nodes that carry one of the package's VID/PID pairs: their removal, and whether the
// disk is attached.
#pragma once

#include "package/HardwareIdMatch.h"
#include "platform/DeviceSetup.h"
#include "records/HardwareIdList.h"

// The device setup classes the disk's nodes live in.
constexpr ClassGuid UsbDeviceClass = {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr ClassGuid HardDiskControllerClass = {
    0x4D36E96A, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// What one pass did to the nodes that carry a pair.
struct DeviceRemovalPass {
    int removed = 0;
    bool atRestart = false; // a node in use goes only when the system restarts
    bool refused = false;   // a node stays: the system refused its removal
};

// One pass over each class and enumerator the disk appears under.
DeviceRemovalPass RemoveMatchingDevices(DeviceSetup& devices, const HardwareIdList& hardwareIds);
// Whether a node attached now, of a class and enumerator the removal looks at, carries one of the
// pairs.
bool DiskAttached(DeviceSetup& devices, const PairIndex& pairs);
