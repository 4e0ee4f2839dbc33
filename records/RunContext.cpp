// Messages, status line, progress and message pumping of one run.
#include "records/RunContext.h"

#include "text/Texts.h"
#include "resource_ids.h"

namespace {
// One waiting message is taken per step: often enough for the dialog to keep answering.
constexpr int PumpStepMilliseconds = 10;
} // namespace

int ProgressPosition(int from, int to, int part, int whole)
{
    return from + (to - from) * part / whole;
}

int RunContext::ShowMessage(int stringId, unsigned flags)
{
    return ShowMessageText(view_.LoadText(stringId), flags);
}

int RunContext::ShowMessageText(std::string_view text, unsigned flags)
{
    if (Silent)
        return 0;
    return view_.ShowMessageBox(ReplaceEachOnce(text, DeviceNameToken, Brand.DeviceName), Brand.AppTitle, flags);
}

int RunContext::PumpMessages(int milliseconds)
{
    const int steps = milliseconds / PumpStepMilliseconds;
    for (int step = 0; step < steps; ++step) {
        view_.DispatchOneMessage();
        clock_.Sleep(PumpStepMilliseconds);
    }
    return 1;
}

void RunContext::ShowStatus(int stringId)
{
    StatusText = view_.LoadText(stringId);
    view_.SetControlText(IDC_STATUS, StatusText);
}

void RunContext::ClearStatus()
{
    view_.SetControlText(IDC_STATUS, "");
}

void RunContext::SetProgress(int position)
{
    view_.SetProgress(position);
}
