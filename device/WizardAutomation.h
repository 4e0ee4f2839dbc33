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

// The first "#32770" child of parent (NoWindow: the top-level dialogs) that has a direct
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
