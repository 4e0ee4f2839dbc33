// The configuration manager's root node and re-enumeration, looked up at run time.
#pragma once
#include "platform/ConfigManager.h"
#include "platform/win32/Handles.h"

#include <cfgmgr32.h>

// The calls are exported by cfgmgr32.dll on some systems and by setupapi.dll on others. They
// are looked up at run time, not imported, so a system without them still starts the program
// and merely reports CR_FAILURE here.
class Win32ConfigManager : public ConfigManager {
public:
    std::uint32_t LocateRootNode(DeviceNode& node) override;
    std::uint32_t ReenumerateNode(DeviceNode node, std::uint32_t flags) override;

private:
    void LoadFunctions();

    bool loaded_ = false;
    ModuleHandle configManagerLibrary_;
    ModuleHandle setupLibrary_;
    decltype(&CM_Locate_DevNodeA) locateDevNode_ = nullptr;
    decltype(&CM_Reenumerate_DevNode) reenumerateDevNode_ = nullptr;
};
