// Every fake platform service in one bundle, with a session over them.
#pragma once
#include "app/SetupSession.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeConfigManager.h"
#include "fakes/FakeDeviceSetup.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystemInfo.h"
#include "fakes/FakeView.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/Latin1CodePage.h"

struct TestPlatform {
    FakeFileSystem files;
    FakeRegistry registry;
    FakeDeviceSetup devices;
    FakeConfigManager configManager;
    FakeWindowSystem windows;
    FakeSystemInfo system;
    FakeClock clock;
    Latin1CodePage codePage;
    FakeView view;
    Platform platform{files, registry, devices, configManager, windows, system, clock, codePage, view};
};
