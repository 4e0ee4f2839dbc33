// The device model read from the setup description, which is also the device INF: provider,
// models section, the package's VID/PID pairs, the target model.
#pragma once
#include <vector>

#include "package/InfFile.h"
#include "package/PackageNote.h"
#include "records/SetupState.h"

// Provider, models section, target and model lines. False when the INF lacks what the
// install needs, with what it lacks in failure, where given; nothing is shown. Model lines passed
// over and a TargetID taken as absent are added to notes, where given.
bool ReadDeviceModel(const InfFile& inf, SetupState& state, PackageNote* failure = nullptr,
                     std::vector<PackageNote>* notes = nullptr);
