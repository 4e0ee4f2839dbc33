// The one job a run performs: install or uninstall from the Start button, or the silent install.
#pragma once
#include "app/SetupPhases.h"

// Start: runs the chosen job, shows its closing message and ends the dialog. A second Start
// while a job runs (it can arrive through the message pump) is ignored.
void OnStartClicked(SetupSession& session, SetupPhases& phases);

// The radio buttons: choose the job, reset the progress bar and the status line.
void OnInstallChosen(SetupSession& session);
void OnUninstallChosen(SetupSession& session);

// Removes device nodes until none is left, then the installed INF copies and the driver, under
// the phase's status line and across its stretch of the bar. With filesStayWithNodes the INF
// copies and the driver stay while a node the system refused to remove stays.
void RunRemovalPhase(SetupSession& session, SetupPhases& phases, const PhaseSpan& span, bool filesStayWithNodes);

// The install of a "/S" run, without any message.
void RunSilentInstall(SetupSession& session, SetupPhases& phases);

// Whether the dialog may close now (Exit, the close box, Alt+F4, Escape).
bool MayCloseDialog(const SetupSession& session);
