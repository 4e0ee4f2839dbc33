// How the process ends on a fault that nothing handles (memory running out outside the INF
// reader, say).
#pragma once

// From now on such a fault ends the process at once with this status, without the runtime's
// message box, which would hold an unattended run until someone clicked it.
void EndQuietlyOnFault(unsigned exitStatus);
