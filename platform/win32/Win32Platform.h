// Every Windows service the core runs on, owned together; the dialog that shows the run adds
// itself as the view.
#pragma once
#include "platform/Platform.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32ConfigManager.h"
#include "platform/win32/Win32DeviceSetup.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32JobLock.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32TextCodePage.h"
#include "platform/win32/Win32WindowSystem.h"

struct Win32Platform {
    Win32FileSystem files;
    Win32Registry registry;
    Win32DeviceSetup devices;
    Win32ConfigManager configManager;
    Win32WindowSystem windows;
    Win32SystemInfo system;
    Win32Clock clock;
    Win32TextCodePage codePage;
    Win32JobLock jobLock;

    Platform With(SetupView& view)
    {
        return Platform{files, registry, devices, configManager, windows, system, clock, codePage, view, jobLock};
    }
};
