// What the package read stopped at, passed over or ignored, as facts. The package check words
// them; Setup.exe only needs to know whether the package is usable, and carries no such texts.
#pragma once
#include <cstdint>
#include <string>

struct PackageNote {
    enum class Kind : std::uint8_t {
        None,
        // The read stops here: the package is unusable.
        NoSetupDescription,       // no file matches *.in?
        NoUsableSetupDescription, // no candidate was taken
        MpdInfTooLong,
        NoFddInf,
        FddInfTooLong,
        NoProvider,
        ProviderTooLong,
        NoManufacturer,
        NoModelsSectionName,
        NoModelLines,
        NoHardwareId,     // a model line without field 2, or with one over 255 characters
        NoInstallSection, // the target model line
        NoDriverFile,
        NoPortDriver,
        // The read goes on.
        TargetIdNotHex,
        // A model line passed over: why it gives no VID/PID pair.
        NoVidMarker,
        NoPidMarker,
        VidNotHex,
        PidNotHex,
        SetupDeviceDescTooLong,
        SetupNameTooLong,
    };
    Kind kind = Kind::None;
    int line = 0;     // the model line's number in the models section, where it is about one
    std::string text; // the model line's hardware ID, or the TargetID, as it stands

    bool operator==(const PackageNote&) const = default;
};
