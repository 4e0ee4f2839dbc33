// Driving the system's new-hardware wizard on Windows XP by window messages alone.
#include "device/WizardAutomation.h"

#include <string>

namespace {

// The dialog class: its atom at top level, its name among child windows.
const WindowClass DialogClassAtom{0x8002, {}};
const WindowClass DialogClassName{0, "#32770"};
const WindowClass AnyClass{};

constexpr int WindowTextLimit = 255; // characters read, terminator included
// A wizard that turns no page and answers nothing for 80 seconds has stalled.
constexpr int QuietCyclesAllowed = 160;

// False when the window did not handle the command in time (hung, or gone): a failed cycle.
bool SendCommand(WindowSystem& windows, WindowHandle window, int commandId)
{
    return windows.SendCommand(window, static_cast<std::uint32_t>(commandId), 0);
}

bool IsUsable(WindowSystem& windows, WindowHandle button)
{
    return windows.IsEnabled(button) && windows.IsVisible(button);
}

WindowHandle FirstChild(WindowSystem& windows, WindowHandle window)
{
    return windows.FindWindowAfter(window, NoWindow, AnyClass);
}

// The next dialog among the parent's children; at top level another program's only. A short
// description ("Start", "driver") is found in this program's own dialog too, and a command to
// that would count as the device dialog's answer every cycle.
WindowHandle NextDialog(WindowSystem& windows, WindowHandle parent, WindowHandle after)
{
    const WindowClass& dialogClass = parent == NoWindow ? DialogClassAtom : DialogClassName;
    WindowHandle dialog = windows.FindWindowAfter(parent, after, dialogClass);
    while (parent == NoWindow && dialog != NoWindow && windows.IsOwnWindow(dialog))
        dialog = windows.FindWindowAfter(parent, dialog, dialogClass);
    return dialog;
}

} // namespace

WindowHandle FindDialogShowingText(WindowSystem& windows, WindowHandle parent, std::string_view text)
{
    for (WindowHandle dialog = NextDialog(windows, parent, NoWindow); dialog != NoWindow;
         dialog = NextDialog(windows, parent, dialog)) {
        for (WindowHandle child = FirstChild(windows, dialog); child != NoWindow;
             child = windows.FindWindowAfter(dialog, child, AnyClass)) {
            if (windows.ReadWindowText(child, WindowTextLimit).find(text) != std::string::npos)
                return dialog;
        }
    }
    return NoWindow;
}

WindowHandle FindChildById(WindowSystem& windows, WindowHandle window, int controlId)
{
    for (WindowHandle child = FirstChild(windows, window); child != NoWindow;
         child = windows.FindWindowAfter(window, child, AnyClass)) {
        if (windows.ControlId(child) == controlId)
            return child;
    }
    return NoWindow;
}

WindowHandle WaitForWizard(RunContext& run, WindowSystem& windows, std::string_view deviceDescription, int from, int to)
{
    for (int cycle = 0; cycle < SearchCycles; ++cycle) {
        for (WindowHandle dialog = NextDialog(windows, NoWindow, NoWindow); dialog != NoWindow;
             dialog = NextDialog(windows, NoWindow, dialog)) {
            if (FindDialogShowingText(windows, dialog, deviceDescription) != NoWindow)
                return dialog;
        }
        run.PumpMessages(CycleMilliseconds);
        run.SetProgress(ProgressPosition(from, to, cycle, SearchCycles));
    }
    return NoWindow;
}

bool DriveNewHardwareWizard(RunContext& run, WindowSystem& windows, Clock& clock, int from, int to)
{
    const std::string_view deviceDescription = run.State.DeviceDescription.view();
    // An empty description is found in every window text, and one of blanks alone in nearly every
    // one: either would drive any dialog at all, another program's wizard too.
    if (deviceDescription.find_first_not_of(" \t\v\f") == std::string_view::npos)
        return false;

    // The search fills the first third of the bar's stretch, the driving the rest.
    const int middle = ProgressPosition(from, to, 1, 3);

    const WindowHandle wizard = WaitForWizard(run, windows, deviceDescription, from, middle);
    if (wizard == NoWindow)
        return false;
    WindowHandle previousPage = FirstChild(windows, wizard);
    if (previousPage == NoWindow)
        return false;
    const WindowHandle next = FindChildById(windows, wizard, WizardNextButton);
    const WindowHandle finish = FindChildById(windows, wizard, WizardFinishButton);
    if (next == NoWindow || finish == NoWindow)
        return false;

    for (int press = 0; press < OpeningNextPresses; ++press) {
        SendCommand(windows, wizard, WizardNextButton);
        clock.Sleep(CycleMilliseconds);
    }

    int idle = 0;
    int ticks = 0;
    const std::uint32_t drivingStart = clock.Milliseconds();
    for (int cycle = 0; cycle < MaxDrivingCycles; ++cycle) {
        const WindowHandle deviceDialog = FindDialogShowingText(windows, NoWindow, deviceDescription);
        if (deviceDialog != NoWindow && SendCommand(windows, deviceDialog, DeviceDialogCommand))
            idle = 0;
        const WindowHandle page = FirstChild(windows, wizard);
        if (page != previousPage) {
            bool handled = true;
            if (IsUsable(windows, next)) {
                handled = SendCommand(windows, wizard, WizardNextButton);
            } else if (IsUsable(windows, finish)) {
                if (SendCommand(windows, wizard, WizardFinishButton))
                    return true;
                handled = false;
            }
            if (handled)
                idle = 0;
        }
        previousPage = page;
        clock.Sleep(CycleMilliseconds);
        if (ticks < QuietCyclesAllowed)
            ++ticks;
        run.SetProgress(ProgressPosition(middle, to, ticks, QuietCyclesAllowed));
        if (++idle >= QuietCyclesAllowed ||
            clock.Milliseconds() - drivingStart >= std::uint32_t{MaxDrivingMilliseconds})
            return false;
    }
    return false;
}
