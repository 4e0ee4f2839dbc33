// The device tree's re-enumeration through the configuration manager, looked up at run time.
#pragma once
#include "platform/ConfigManager.h"
#include "platform/win32/Handles.h"

#include <cfgmgr32.h>

// The calls are exported by cfgmgr32.dll on some systems and by setupapi.dll on others. They
// are looked up at run time, not imported, so a system without them still starts the program
// and merely cannot re-enumerate.
class Win32ConfigManager : public ConfigManager {
public:
    bool ReenumerateDeviceTree() override;

private:
    void LoadFunctions();

    bool loaded_ = false;
    ModuleHandle configManagerLibrary_;
    ModuleHandle setupLibrary_;
    decltype(&CM_Locate_DevNodeA) locateDevNode_ = nullptr;
    decltype(&CM_Reenumerate_DevNode) reenumerateDevNode_ = nullptr;
};
