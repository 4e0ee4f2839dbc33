// How the process ends on a fault that nothing handles (memory running out outside the INF
// reader, say, or an access violation).
#pragma once

// From now on such a fault ends the process at once with this status, without the runtime's or
// the system's message box, which would hold an unattended run until someone clicked it; a drive
// without its disk fails the call instead of asking for the disk.
void EndQuietlyOnFault(unsigned exitStatus);
