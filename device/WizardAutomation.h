// Driving the system's new-hardware wizard on Windows XP by window messages alone: find it
// by the device description on one of its pages, press Next until Finish can be pressed.
#pragma once
#include <string_view>

#include "app/SetupSession.h"
#include "platform/WindowSystem.h"

// The wizard frame's buttons, and the command a device-naming system dialog is sent.
constexpr int WizardNextButton = 0x3024;
constexpr int WizardFinishButton = 0x3025;
constexpr int DeviceDialogCommand = 5303;

// The first "#32770" child of parent (NoWindow: the top-level dialogs) that has a direct
// child whose text, read to at most 254 characters, contains the text.
WindowHandle FindDialogShowingText(WindowSystem& windows, WindowHandle parent, std::string_view text);

// The first direct child of the window with that control identifier.
WindowHandle FindChildById(WindowSystem& windows, WindowHandle window, int controlId);

// The top-level dialog holding a wizard page that names the device; NoWindow after 120 cycles.
WindowHandle WaitForWizard(SetupSession& session, std::string_view searchText, int from, int to);

// True when the wizard was driven to Finish.
bool DriveNewHardwareWizard(SetupSession& session, int from, int to);
