// Messages, status line, progress and message pumping of one run.
#include "app/SetupSession.h"

#include "text/Texts.h"
#include "resource_ids.h"

namespace {
constexpr int PumpStepMilliseconds = 10;
}

int ProgressPosition(int from, int to, int percent)
{
    return from + (to - from) * percent / 100;
}

int SetupSession::ShowMessage(int stringId, unsigned flags)
{
    return ShowMessageText(platform.view.LoadText(stringId), flags);
}

int SetupSession::ShowMessageText(const std::string& text, unsigned flags)
{
    if (Silent)
        return 0;
    return platform.view.ShowMessageBox(ReplaceEachOnce(text, DeviceNameToken, Brand.DeviceName), Brand.AppTitle,
                                        flags);
}

int SetupSession::PumpMessages(int milliseconds)
{
    const int steps = milliseconds / PumpStepMilliseconds;
    for (int step = 0; step < steps; ++step) {
        platform.view.DispatchOneMessage();
        platform.clock.Sleep(PumpStepMilliseconds);
    }
    return 1;
}

void SetupSession::ShowStatus(int stringId)
{
    StatusText = platform.view.LoadText(stringId);
    platform.view.SetControlText(IDC_STATUS, StatusText);
}

void SetupSession::ClearStatus()
{
    platform.view.SetControlText(IDC_STATUS, "");
}

void SetupSession::SetProgress(int position)
{
    platform.view.SetProgress(position);
}
