// Every platform service the core uses, handed around as one bundle.
#pragma once
#include "platform/Clock.h"
#include "platform/ConfigManager.h"
#include "platform/DeviceSetup.h"
#include "platform/FileSystem.h"
#include "platform/JobLock.h"
#include "platform/Registry.h"
#include "platform/SetupView.h"
#include "platform/SystemInfo.h"
#include "platform/TextCodePage.h"
#include "platform/WindowSystem.h"

struct Platform {
    FileSystem& files;
    Registry& registry;
    DeviceSetup& devices;
    ConfigManager& configManager;
    WindowSystem& windows;
    SystemInfo& system;
    Clock& clock;
    TextCodePage& codePage;
    SetupView& view;
    JobLock& jobLock;
};
