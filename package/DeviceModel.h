// The device model read from the setup description, which is also the device INF: provider,
// models section, the package's VID/PID pairs, the target model.
#pragma once
#include <string>
#include <vector>

#include "package/InfFile.h"
#include "records/SetupState.h"

// Provider, models section, target and model lines. False when the INF lacks what the
// install needs; nothing is shown. Model lines passed over and a TargetID taken as absent are
// described in notes, where given.
bool ReadDeviceModel(const InfFile& inf, SetupState& state, std::string* failureReason = nullptr,
                     std::vector<std::string>* notes = nullptr);
