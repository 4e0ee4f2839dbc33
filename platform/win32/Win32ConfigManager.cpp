// The device tree's re-enumeration through the configuration manager, looked up at run time.
#include "platform/win32/Win32ConfigManager.h"

#include "platform/win32/DynamicFunction.h"

void Win32ConfigManager::LoadFunctions()
{
    if (loaded_)
        return;
    loaded_ = true;
    // cfgmgr32.dll first: Windows 98 has the calls only there.
    configManagerLibrary_ = LoadSystemLibrary("cfgmgr32.dll");
    locateDevNode_ = GET_DYNAMIC_FUNCTION(configManagerLibrary_.Get(), CM_Locate_DevNodeA);
    reenumerateDevNode_ = GET_DYNAMIC_FUNCTION(configManagerLibrary_.Get(), CM_Reenumerate_DevNode);
    if (locateDevNode_ != nullptr && reenumerateDevNode_ != nullptr)
        return;

    setupLibrary_ = LoadSystemLibrary("setupapi.dll");
    if (locateDevNode_ == nullptr)
        locateDevNode_ = GET_DYNAMIC_FUNCTION(setupLibrary_.Get(), CM_Locate_DevNodeA);
    if (reenumerateDevNode_ == nullptr)
        reenumerateDevNode_ = GET_DYNAMIC_FUNCTION(setupLibrary_.Get(), CM_Reenumerate_DevNode);
}

bool Win32ConfigManager::ReenumerateDeviceTree()
{
    LoadFunctions();
    if (locateDevNode_ == nullptr || reenumerateDevNode_ == nullptr)
        return false;
    DEVINST root = 0;
    if (locateDevNode_(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS)
        return false;
    return reenumerateDevNode_(root, 0) == CR_SUCCESS;
}
