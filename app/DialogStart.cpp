// What the setup dialog does when it starts: texts, record, package, and then one of its ends.
#include "app/DialogStart.h"

#include "app/JobControl.h"
#include "app/OsClass.h"
#include "text/Paths.h"
#include "text/Texts.h"
#include "resource_ids.h"

namespace {

bool IsRefused(const SetupState& state)
{
    if (state.OsClass == OsClass::Unsupported)
        return true;
    return state.Win98Only != 0 && state.OsClass > OsClass::Windows98SecondEdition;
}

std::string InstructionText(SetupSession& session)
{
    std::string text = session.platform.view.LoadText(IDS_INSTRUCTION);
    text = ReplaceEachOnce(text, DeviceDescriptionToken, session.State.DeviceDisplayName.view());
    return ReplaceEachOnce(text, DeviceNameToken, session.Brand.DeviceName);
}

// The folder the package is read from. One so deep that a package file's name would not fit
// after it is taken in its short form, where the system has one: the same folder, in fewer
// characters.
std::string PackageFolder(SystemInfo& system, const TextCodePage& codePage)
{
    constexpr std::size_t LongestFileName = decltype(SetupState::SetupFileName)::width - 1;
    const std::string programPath = system.ModuleFileName();
    const std::string folder = FolderOfProgram(programPath, codePage);
    if (programPath.empty() || folder.size() + 1 + LongestFileName <= MaxPathLength)
        return folder;
    const std::string shortPath = system.ShortPath(programPath);
    return shortPath.empty() ? folder : FolderOfProgram(shortPath, codePage);
}

} // namespace

std::string FolderOfProgram(const std::string& programPath, const TextCodePage& codePage)
{
    const std::size_t lastBackslash = LastBackslash(programPath, codePage);
    if (lastBackslash == std::string::npos)
        return programPath;
    return programPath.substr(0, lastBackslash);
}

void StartSetupDialog(SetupSession& session, SetupPhases& phases, bool silentMode)
{
    SetupView& view = session.platform.view;
    SystemInfo& system = session.platform.system;
    SetupState& state = session.State;
    BrandStrings& brand = session.Brand;
    session.Silent = silentMode;

    const std::string aboutEntry = view.LoadText(IDS_ABOUT) + "...";
    if (!aboutEntry.empty())
        view.AddSystemMenuEntry(IDM_ABOUTBOX, aboutEntry);
    view.SetDialogIcon();

    state.HardwareIds.Release();
    brand.AppTitle = view.LoadText(IDS_APP_TITLE);
    brand.DeviceName = view.LoadText(IDS_DEVICE_NAME);
    brand.AboutText = view.LoadText(IDS_ABOUT_TEXT);
    brand.LinkText = view.LoadText(IDS_LINK_TEXT);
    view.ShowLogo();

    state.OsClass = ClassifyOs(system);
    // Without either folder every path would be built at the root of the current drive: such a
    // start ends as one whose package cannot be read.
    const bool foldersKnown = state.WindowsFolder.Assign(system.WindowsFolder()) && !state.WindowsFolder.empty() &&
                              state.ProgramFolder.Assign(PackageFolder(system, session.platform.codePage)) &&
                              !state.ProgramFolder.empty();

    if (!foldersKnown || !phases.ReadDriverPackage(session)) {
        if (silentMode)
            session.ExitStatus = SilentPackageUnreadable;
        view.EndDialog(DialogCancelResult);
        return;
    }

    view.SetCaption(brand.AppTitle);
    view.SetControlText(IDC_CHOICE_GROUP, view.LoadText(IDS_SELECT_INSTALL_UNINSTALL));
    view.SetControlText(IDC_INSTALL, view.LoadText(IDS_INSTALL_OR_UPDATE));
    view.SetControlText(IDC_UNINSTALL, view.LoadText(IDS_UNINSTALL));
    view.SetControlText(IDC_START, view.LoadText(IDS_START));
    view.SetControlText(IDC_EXIT, view.LoadText(IDS_EXIT));

    session.InstallSelected = 1;
    view.SetCheck(IDC_INSTALL, true);
    view.SetCheck(IDC_UNINSTALL, false);

    if (silentMode) {
        RunSilentInstall(session, phases);
        view.EndDialog(DialogCancelResult);
        return;
    }
    if (IsRefused(state)) {
        session.ShowMessage(IDS_WIN98_ONLY, MessageStop);
        view.EndDialog(DialogCancelResult);
        return;
    }

    view.SetControlText(IDC_INSTRUCTION, InstructionText(session));
    view.SetControlText(IDC_STATUS, "");
    view.ShowDialog();
    view.FocusControl(IDC_START);
}
