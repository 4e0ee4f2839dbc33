// Driving the system's new-hardware wizard on Windows XP by window messages alone: find it
// by the device description on one of its pages, press Next until Finish can be pressed.
#pragma once
#include <string_view>

#include "platform/Clock.h"
#include "platform/WindowSystem.h"
#include "records/RunContext.h"

// The wizard frame's buttons, and the command a device-naming system dialog is sent.
constexpr int WizardNextButton = 0x3024;
constexpr int WizardFinishButton = 0x3025;
constexpr int DeviceDialogCommand = 5303;

// The wizard is looked at twice a second: often enough to follow its pages, seldom enough to
// leave it the time to work.
constexpr int CycleMilliseconds = 500;
// The system brings the wizard up within a minute of the re-enumeration, or not at all.
constexpr int SearchCycles = 120;
constexpr int OpeningNextPresses = 2;
// However often something keeps resetting the quiet count, and however slowly the windows
// answer, the driving ends after five minutes.
constexpr int MaxDrivingCycles = 600;
constexpr int MaxDrivingMilliseconds = MaxDrivingCycles * CycleMilliseconds;
// The longest the search and the driving take together: each cycle may also wait for two
// commands to time out. A run waiting for another run's job counts on this bound.
constexpr int LongestWizardMilliseconds = SearchCycles * CycleMilliseconds +
                                          OpeningNextPresses * (CommandTimeoutMilliseconds + CycleMilliseconds) +
                                          MaxDrivingMilliseconds + 2 * CommandTimeoutMilliseconds + CycleMilliseconds;

// The first "#32770" child of parent (NoWindow: other programs' top-level dialogs) that has a direct
// child whose text, read to at most 254 characters, contains the text.
WindowHandle FindDialogShowingText(WindowSystem& windows, WindowHandle parent, std::string_view text);

// The first direct child of the window with that control identifier.
WindowHandle FindChildById(WindowSystem& windows, WindowHandle window, int controlId);

// The top-level dialog holding a wizard page that shows the device description; NoWindow after
// 120 cycles.
WindowHandle WaitForWizard(RunContext& run, WindowSystem& windows, std::string_view deviceDescription, int from,
                           int to);

// True when the wizard was driven to Finish.
bool DriveNewHardwareWizard(RunContext& run, WindowSystem& windows, Clock& clock, int from, int to);
