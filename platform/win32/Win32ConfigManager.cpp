// The configuration manager's root node and re-enumeration, looked up at run time.
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

std::uint32_t Win32ConfigManager::LocateRootNode(DeviceNode& node)
{
    LoadFunctions();
    if (locateDevNode_ == nullptr)
        return CR_FAILURE;
    DEVINST root = 0;
    CONFIGRET result = locateDevNode_(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL);
    if (result == CR_SUCCESS)
        node = root;
    return result;
}

std::uint32_t Win32ConfigManager::ReenumerateNode(DeviceNode node, std::uint32_t flags)
{
    LoadFunctions();
    if (reenumerateDevNode_ == nullptr)
        return CR_FAILURE;
    return reenumerateDevNode_(node, flags);
}
