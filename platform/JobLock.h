// One job at a time on the machine: every run's job renames the same system files (the USB
// storage INF, the driver database) and puts back what another run hid, so two jobs at once
// could each clear the other's backup and leave the system without its file.
#pragma once

class JobLock {
public:
    virtual ~JobLock() = default;

    // Takes the machine-wide lock without waiting. True when this run holds it now, also when
    // the run that held it ended without letting go, and when the system gives no lock at all
    // (the job then runs unguarded); false while another run holds it.
    virtual bool TryTake() = 0;
    // Lets go of a lock this run holds; nothing otherwise.
    virtual void Release() = 0;
};
