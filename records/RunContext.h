// One run as its phases see it: the record, the brand strings, and the services that speak to
// the user (message boxes, the status line, the progress bar, message pumping).
#pragma once
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/SetupView.h"
#include "records/BrandStrings.h"
#include "records/SetupState.h"

// Message-box flags the program uses (the platform's values).
constexpr unsigned MessageStop = 16;        // stop icon, OK button: refusals and errors
constexpr unsigned MessageInformation = 64; // information icon, OK button: closing messages

// Position for part/whole (percent unless whole says otherwise) of the sub-range from..to, in
// truncating 32-bit arithmetic.
int ProgressPosition(int from, int to, int part, int whole = 100);

// No string: a phase without a status line of its own leaves the line as it is.
constexpr int NoStatusText = 0;

// The part of a job one phase runs in: the status line it shows as it starts, and the stretch
// of the progress bar it fills.
struct PhaseSpan {
    int statusText = NoStatusText;
    int from = 0;
    int to = 0;
};

// Between the steps of a phase the dialog takes its messages this long, so that the status line
// and the bar are drawn and a click is answered.
constexpr int StepPumpMilliseconds = 200;

class RunContext {
public:
    RunContext(SetupView& view, Clock& clock) : view_(view), clock_(clock) {}

    SetupState State;
    BrandStrings Brand;
    std::string StatusText;
    // A silent run waits for nobody: it shows no message at all.
    bool Silent = false;

    // The string of that id, every "#DEV_NAME#" replaced by DeviceName, in a message box
    // captioned AppTitle. Returns the button pressed; 0 in a silent run, which shows nothing.
    int ShowMessage(int stringId, unsigned flags);
    int ShowMessageText(std::string_view text, unsigned flags);

    // Waits about that many milliseconds in 10 ms steps, dispatching at most one of this
    // program's window messages per step. Always returns 1.
    int PumpMessages(int milliseconds);

    // Loads a string into StatusText and shows it on the status line.
    void ShowStatus(int stringId);
    void ClearStatus();
    // Shows the phase's status line, where it has one.
    void StartPhase(const PhaseSpan& phase)
    {
        if (phase.statusText != NoStatusText)
            ShowStatus(phase.statusText);
    }

    void SetProgress(int position);
    void SetProgressFor(const PhaseSpan& phase, int percent)
    {
        SetProgress(ProgressPosition(phase.from, phase.to, percent));
    }

private:
    SetupView& view_;
    Clock& clock_;
};
