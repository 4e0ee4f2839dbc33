// The device model read from the setup description.
#include "package/DeviceModel.h"

#include <new>

#include "package/HardwareIdMatch.h"

namespace {

constexpr std::size_t TargetIdLength = 2 * IdTextLength;

using Kind = PackageNote::Kind;

bool Fail(PackageNote* failure, Kind kind, int line = 0)
{
    if (failure)
        *failure = {kind, line, {}};
    return false;
}

// The four characters after the first "VID_" and after the first "PID_", as they stand. A text
// is empty without its marker; the caller passes over a text that is not four hexadecimal
// digits, since a shorter one ("3" of "PID_3") would match other devices of the vendor.
void FindIdTexts(std::string_view hardwareId, std::string_view& vidText, std::string_view& pidText)
{
    const auto textAfter = [hardwareId](std::string_view marker) {
        const std::size_t at = hardwareId.find(marker);
        return at == std::string_view::npos ? std::string_view{} : hardwareId.substr(at + marker.size(), IdTextLength);
    };
    vidText = textAfter(VidMarker);
    pidText = textAfter(PidMarker);
}

// Why a model line whose texts are not both four hexadecimal digits gives no pair.
Kind PairProblem(std::string_view hardwareId, std::string_view vidText)
{
    if (hardwareId.find(VidMarker) == std::string_view::npos)
        return Kind::NoVidMarker;
    if (hardwareId.find(PidMarker) == std::string_view::npos)
        return Kind::NoPidMarker;
    return IsIdText(vidText) ? Kind::PidNotHex : Kind::VidNotHex;
}

// The same rule as every other hardware-ID test: VID_ and PID_ followed by the target's texts, in
// any case ("TargetID=1a2b3c4d" names USB\VID_1A2B&PID_3C4D).
bool NamesTarget(std::string_view hardwareId, const SetupState& state)
{
    return CarriesPair(hardwareId, state.TargetVidText.view(), state.TargetPidText.view());
}

// Field 1 read with a 20-character buffer, stored in a wider record field.
template <std::size_t Width>
bool ReadShortName(const InfFile& inf, const InfLine& line, FixedText<Width>& field)
{
    FixedText<20> name;
    return inf.GetStringField(line, 1, name) && field.Assign(name.view());
}

void ReadTarget(const InfFile& inf, SetupState& state, std::vector<PackageNote>* notes)
{
    state.TargetVidText.Clear();
    state.TargetPidText.Clear();
    InfLine line;
    FixedText<256> targetId;
    if (!inf.FindFirstLine("Setup", "TargetID", line) || !inf.GetStringField(line, 1, targetId))
        return;
    // Anything but eight hexadecimal digits names no model: it counts as absent, and the first
    // model line is the target.
    const std::string_view text = targetId.view();
    if (text.size() != TargetIdLength || !IsIdText(text.substr(0, IdTextLength)) ||
        !IsIdText(text.substr(IdTextLength))) {
        if (notes)
            notes->push_back({Kind::TargetIdNotHex, 0, targetId.str()});
        return;
    }
    state.TargetVidText.Assign(text.substr(0, IdTextLength));
    state.TargetPidText.Assign(text.substr(IdTextLength, IdTextLength));
}

bool ReadModelLines(const InfFile& inf, SetupState& state, PackageNote* failure, std::vector<PackageNote>* notes)
{
    state.DeviceDescription.Clear();
    state.InstallSectionName.Clear();
    // The lines are visited one by one and not kept: a package may have millions.
    int lineNumber = 0;
    Kind problem = Kind::None;
    const auto visit = [&](const InfLine& line) {
        ++lineNumber;
        // Most hardware IDs are read where they stand in the file, the rest into a plain buffer:
        // this runs for each of possibly millions of lines, and a record field would clear its
        // whole width each time.
        char hardwareIdText[256];
        std::string_view hardwareId;
        if (!inf.GetStringView(line, 2, hardwareIdText, sizeof hardwareIdText, hardwareId)) {
            problem = Kind::NoHardwareId;
            return false;
        }

        std::string_view vidText, pidText;
        FindIdTexts(hardwareId, vidText, pidText);
        if (!IsIdText(vidText) || !IsIdText(pidText)) {
            if (notes)
                notes->push_back({PairProblem(hardwareId, vidText), lineNumber, std::string(hardwareId)});
            return true;
        }
        state.HardwareIds.Append(vidText, pidText);

        if (state.TargetVidText.empty()) {
            state.TargetVidText.Assign(state.HardwareIds[0].VidText.view());
            state.TargetPidText.Assign(state.HardwareIds[0].PidText.view());
        }
        // Once the target's description and install section are known, later lines only add pairs.
        if ((!state.DeviceDescription.empty() && !state.InstallSectionName.empty()) || !NamesTarget(hardwareId, state))
            return true;
        if (state.DeviceDescription.empty()) {
            inf.GetStringField(line, 0, state.DeviceDescription);
            // The texts show the description until the package's SetupDeviceDesc replaces it.
            state.DeviceDisplayName = state.DeviceDescription;
        }
        if (state.InstallSectionName.empty()) {
            ReadShortName(inf, line, state.InstallSectionName);
            if (state.InstallSectionName.empty()) {
                problem = Kind::NoInstallSection;
                return false;
            }
        }
        return true;
    };
    bool visited = false;
    try {
        // Room for a pair per 32 characters of the section, about the shortest model line
        // packages write (the hardware ID alone is 21), so that a list of millions of pairs
        // rarely moves; room never written takes no page of memory.
        state.HardwareIds.Reserve(inf.SectionTextLength(state.ModelsSectionName.view()) / 32);
        visited = inf.VisitLines(state.ModelsSectionName.view(), visit);
    } catch (const std::bad_alloc&) {
        // Pairs that memory cannot hold leave the package as unreadable as lines that could not
        // be read.
        state.HardwareIds.Release();
        return Fail(failure, Kind::NoUsableSetupDescription);
    }
    if (!visited || lineNumber == 0)
        return Fail(failure, Kind::NoModelLines);
    return problem == Kind::None || Fail(failure, problem, lineNumber);
}

} // namespace

bool ReadDeviceModel(const InfFile& inf, SetupState& state, PackageNote* failure, std::vector<PackageNote>* notes)
{
    InfLine line;
    if (!inf.FindFirstLine("Version", "Provider", line))
        return Fail(failure, Kind::NoProvider);
    if (!ReadShortName(inf, line, state.ProviderName))
        return Fail(failure, Kind::ProviderTooLong);

    if (!inf.FindFirstLine("Manufacturer", nullptr, line))
        return Fail(failure, Kind::NoManufacturer);
    if (!ReadShortName(inf, line, state.ModelsSectionName))
        return Fail(failure, Kind::NoModelsSectionName);

    ReadTarget(inf, state, notes);
    return ReadModelLines(inf, state, failure, notes);
}
