// One run of the setup dialog: its record, its brand strings, and the services every phase
// uses to speak to the user (messages, status line, progress bar, message pumping).
#pragma once
#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "records/BrandStrings.h"
#include "records/SetupState.h"

// Message-box flags the program uses (the platform's values).
constexpr unsigned MessageStop = 16;        // stop icon, OK button: refusals and errors
constexpr unsigned MessageInformation = 64; // information icon, OK button: closing messages

// The dialog's end result for every way it closes.
constexpr int DialogCancelResult = 2;

// Exit statuses of a silent run.
constexpr int SilentInstallDone = 0;
constexpr int SilentPackageUnreadable = 1;
constexpr int SilentDeviceNotStarted = 2;
// The dialog could not be created (the common controls would not load, say): nothing ran.
constexpr int SilentDialogNotCreated = 3;
// The INF copy or the driver is not where the placement put it: no device is started.
constexpr int SilentFilesNotPlaced = 4;

// Position for p percent of the sub-range from..to, in truncating 32-bit arithmetic.
int ProgressPosition(int from, int to, int percent);

class SetupSession {
public:
    explicit SetupSession(Platform& platform) : platform(platform) {}

    Platform& platform;
    SetupState State;
    BrandStrings Brand;
    std::int32_t InstallSelected = 0;
    std::string StatusText;
    // True from the start of a job to the dialog's end: nothing that arrives through the
    // message pump may start a second job or close the dialog meanwhile.
    bool JobRunning = false;
    // A silent run waits for nobody: it shows no message at all.
    bool Silent = false;
    // The process exit status. Interactive runs always end with 0; a silent run tells
    // deployment scripts how it went, and starts as "nothing ran" until its start says more.
    int ExitStatus = 0;

    // The string of that id, every "#DEV_NAME#" replaced by DeviceName, in a message box
    // captioned AppTitle. Returns the button pressed; 0 in a silent run, which shows nothing.
    int ShowMessage(int stringId, unsigned flags);
    int ShowMessageText(const std::string& text, unsigned flags);

    // Waits about that many milliseconds in 10 ms steps, dispatching at most one of this
    // program's window messages per step. Always returns 1.
    int PumpMessages(int milliseconds);

    // Loads a string into StatusText and shows it on the status line.
    void ShowStatus(int stringId);
    void ClearStatus();

    void SetProgress(int position);
    void SetProgressFor(int from, int to, int percent) { SetProgress(ProgressPosition(from, to, percent)); }
};
