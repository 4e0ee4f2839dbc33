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

    void SetProgress(int position);
    void SetProgressFor(int from, int to, int percent) { SetProgress(ProgressPosition(from, to, percent)); }

private:
    SetupView& view_;
    Clock& clock_;
};
