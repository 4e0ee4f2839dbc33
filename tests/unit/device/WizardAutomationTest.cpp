// Driving a fake new-hardware wizard: the search, the opening presses, the pages, the device
// dialog, Finish, and the ends of the loop, with their progress positions.
#include <gtest/gtest.h>

#include <optional>

#include "device/WizardAutomation.h"
#include "fakes/FakeWizard.h"
#include "fakes/TestPlatform.h"

namespace {

using Lines = std::vector<std::string>;
const std::string Next = "command 12324 to Found New Hardware Wizard",
                  Finish = "command 12325 to Found New Hardware Wizard";
const std::string Reset = "command 5303 to Hardware Installation";

// A system whose windows show what a test adds, and the wizard driven over it from 50 to 100.
struct WizardSystem : TestPlatform {
    FakeWindowSystem& w = windows;
    SetupSession session{platform};

    WizardSystem() { session.State.DeviceDescription.Assign("Example USB Disk"); }
    bool Drive() { return DriveNewHardwareWizard(session, windows, clock, 50, 100); }
    long Sent(const std::string& command) const { return std::count(w.log.begin(), w.log.end(), command); }
    // A top-level dialog of a device that needs a driver, which the product resets by its command.
    WindowHandle AddDeviceDialog()
    {
        const WindowHandle dialog = w.AddWindow(NoWindow, "#32770", "Hardware Installation");
        w.AddWindow(dialog, "Static", "Example USB Disk needs a driver");
        return dialog;
    }
};
struct WizardAutomationTest : ::testing::Test, WizardSystem {};

TEST_F(WizardAutomationTest, SearchFindsTheTextOnlyInsideAPageReadsAt254CharactersAndPumpsMessages)
{
    // Another program's windows that are not dialogs never count, whatever they show.
    const WindowHandle folder = w.AddWindow(NoWindow, "CabinetWClass");
    w.AddWindow(folder, "Static", "Example USB Disk");
    w.AddWindow(w.AddWindow(folder, "#32770"), "Static", "Example USB Disk");
    const WindowHandle naming = AddDeviceDialog();
    const WindowHandle hiddenLate = w.AddWindow(NoWindow, "#32770");
    w.AddWindow(w.AddWindow(hiddenLate, "#32770"), "Static", std::string(239, ' ') + "Example USB Disk");
    // Nor does a dialog whose text stands in a child that is no dialog (an edit in a combo box).
    w.AddWindow(w.AddWindow(w.AddWindow(NoWindow, "#32770"), "ComboBox"), "Edit", "Example USB Disk");
    const WindowHandle wizard = w.AddWindow(NoWindow, "#32770");
    const WindowHandle page = w.AddWindow(wizard, "#32770");
    w.AddWindow(page, "Static", std::string(238, ' ') + "Example USB Disk"); // ends at character 254

    EXPECT_EQ(FindDialogShowingText(w, NoWindow, "Example USB Disk"), naming);
    EXPECT_EQ(FindDialogShowingText(w, wizard, "Example USB Disk"), page);
    EXPECT_EQ(FindDialogShowingText(w, hiddenLate, "Example USB Disk"), NoWindow);
    EXPECT_EQ(WaitForWizard(session, w, "Example USB Disk", 50, 66), wizard);
    EXPECT_TRUE(view.Progress().empty()); // found in the first cycle

    // A search that finds nothing pumps messages for a minute across its stretch of the bar.
    EXPECT_EQ(WaitForWizard(session, w, "Other Disk", 50, 66), NoWindow);
    EXPECT_EQ(view.dispatchCount, 120 * 50);
    const std::vector<int> progress = view.Progress();
    EXPECT_EQ(std::tuple(progress.size(), progress.front(), progress[60], progress.back()),
              std::tuple(120u, 50, 58, 65));
}

// Driven from 50 to 100, the search fills 50 to 66: a wizard that comes after 60 cycles finds
// the bar at 57.
TEST_F(WizardAutomationTest, TheSearchFillsTheFirstThirdOfTheBar)
{
    std::optional<FakeWizard> wizard;
    view.onDispatch = [&] {
        if (view.dispatchCount == 60 * 50)
            wizard.emplace(w, Lines{"Welcome: Example USB Disk", "Completed"});
    };
    EXPECT_TRUE(Drive());
    const std::vector<int> progress = view.Progress();
    ASSERT_EQ(progress.size(), 60u); // Finish ends the driving in its first cycle
    EXPECT_EQ(std::tuple(progress.front(), progress.back()), std::tuple(50, 57));
}

TEST_F(WizardAutomationTest, ABusyPageWaitsAndADeviceDialogGetsItsCommandEachTime)
{
    // The wizard moves by itself: the busy page (both buttons off) appears after the opening
    // presses; a device dialog comes up twice; the last page shows up after 300 cycles.
    FakeWizard wizard(w, {"Welcome: Example USB Disk", "Installing Example USB Disk", "Completed"});
    wizard.ShowPage(1);
    w.Window(wizard.next).enabled = false;
    WindowHandle deviceDialog = NoWindow;
    w.onCommand = [&](WindowHandle window, std::uint32_t command) {
        if (window == deviceDialog && command == DeviceDialogCommand)
            w.DestroyWindow(deviceDialog);
    };
    clock.onSleep = [&] {
        if (clock.sleeps.size() == 10 || clock.sleeps.size() == 150)
            deviceDialog = AddDeviceDialog();
        if (clock.sleeps.size() == 300)
            wizard.ShowPage(2);
    };
    EXPECT_TRUE(Drive());
    // Two opening presses, the device dialog's commands, and Finish once the last page shows.
    EXPECT_EQ(w.log, (Lines{Next, Next, Reset, Reset, Finish}));
}

// A device dialog's command and a Next on a page the wizard turned are changes: each restarts the
// quiet count in full. In a cycle the device dialog comes first, even on the last page.
TEST_F(WizardAutomationTest, EachChangeRestartsTheQuietCountAndTheDeviceDialogComesFirst)
{
    for (const bool byDeviceDialog : {true, false}) {
        WizardSystem m;
        FakeWizard wizard(m.w, {"Welcome: Example USB Disk", "Copying", "Stuck"});
        m.w.Window(wizard.next).enabled = false;
        WindowHandle dialog = NoWindow;
        m.w.onCommand = [&](WindowHandle window, std::uint32_t command) {
            if (window == dialog && command == DeviceDialogCommand)
                m.w.DestroyWindow(dialog);
        };
        m.clock.onSleep = [&] {
            if (m.clock.sleeps.size() == 2 + 50 && byDeviceDialog)
                dialog = m.AddDeviceDialog();
            if (m.clock.sleeps.size() == 2 + 50 && !byDeviceDialog)
                wizard.ShowPage(1); // Next usable: pressed once, and the page stays
        };
        EXPECT_FALSE(m.Drive()) << byDeviceDialog;
        EXPECT_EQ(m.w.log, (Lines{Next, Next, byDeviceDialog ? Reset : Next})) << byDeviceDialog;
        EXPECT_EQ(m.clock.sleeps.size(), 2u + 50u + 160u) << byDeviceDialog;
    }
    FakeWizard wizard(w, {"Welcome: Example USB Disk", "Completed"});
    AddDeviceDialog();
    EXPECT_TRUE(Drive());
    EXPECT_EQ(w.log, (Lines{Next, Next, Reset, Finish}));
}

// A page that turns with neither button usable (Next off, Finish on but hidden) is a change all
// the same: the quiet count starts again, and only the last page gets Finish.
TEST_F(WizardAutomationTest, APageWithoutAUsableButtonRestartsTheQuietCount)
{
    FakeWizard wizard(w, {"Welcome: Example USB Disk", "Installing Example USB Disk", "Completed"});
    w.Window(wizard.next).enabled = false;
    clock.onSleep = [&] {
        if (clock.sleeps.size() == 100) {
            wizard.ShowPage(1);
            w.Window(wizard.next).enabled = false;
        }
        if (clock.sleeps.size() == 250)
            wizard.ShowPage(2);
    };
    EXPECT_TRUE(Drive());
    EXPECT_EQ(w.log, (Lines{Next, Next, Finish}));
    EXPECT_EQ(clock.sleeps.size(), 250u);
}

// A page with Next and Finish both usable is stepped on with Next: Finish is for the page where
// Next cannot be pressed, or the run would end the wizard before its last page.
TEST_F(WizardAutomationTest, APageWithBothButtonsUsableGetsNext)
{
    FakeWizard wizard(w, {"Welcome: Example USB Disk", "Options", "Completed"});
    w.Window(wizard.next).enabled = false; // the opening presses come too early
    clock.onSleep = [&] {
        if (clock.sleeps.size() == 5) {
            wizard.ShowPage(1);
            w.Window(wizard.finish).visible = true;
        }
    };
    EXPECT_TRUE(Drive());
    EXPECT_EQ(w.log, (Lines{Next, Next, Next, Finish}));
}

// A page that never changes, and a device dialog that keeps showing the text but whose every
// command times out: the quiet limit ends the loop, with the bar at the end.
TEST_F(WizardAutomationTest, QuietCyclesEndTheLoopAndAHungDeviceDialogIsAFailedCycle)
{
    // The program's own dialog, first in the window order, shows the description too: it is no
    // device dialog.
    const WindowHandle own = w.AddWindow(NoWindow, "#32770", "Example Disk Setup");
    w.Window(own).own = true;
    w.AddWindow(own, "Button", "Install Example USB Disk");
    FakeWizard wizard(w, {"Welcome: Example USB Disk", "Stuck"});
    w.Window(wizard.next).enabled = false; // Next does nothing
    w.Window(AddDeviceDialog()).hung = true;
    EXPECT_FALSE(Drive());
    EXPECT_EQ(clock.sleeps.size(), 2u + 160u);
    EXPECT_EQ(Sent(Reset), 160);
    const std::vector<int> progress = view.Progress();
    ASSERT_EQ(progress.size(), 160u);
    EXPECT_EQ(std::tuple(progress.front(), progress[79], progress.back()), std::tuple(66, 83, 100));
}

// However slowly it answers each command, so that a run waiting for this one's job is not
// left waiting longer than it will.
TEST_F(WizardAutomationTest, ADialogThatNeverClosesIsCutOffAfterFiveMinutes)
{
    // milliseconds each command to the dialog takes, commands it gets, time the driving took, the
    // bar's last position (it stops at the end of its stretch however many cycles run)
    const std::tuple<int, long, long long, int> cases[] = {{0, 600, 600 * 500, 100}, {2900, 89, 89 * 3400, 84}};
    for (const auto& [answer, commands, driving, lastPosition] : cases) {
        WizardSystem m;
        FakeWizard wizard(m.w, {"Welcome: Example USB Disk", "Stuck"});
        const WindowHandle dialog = m.AddDeviceDialog();
        m.w.onCommand = [&](WindowHandle window, std::uint32_t) { // the wizard stays on its first page
            m.clock.elapsedMilliseconds += window == dialog ? answer : 0;
        };
        EXPECT_FALSE(m.Drive());
        EXPECT_EQ(m.Sent(Reset), commands) << answer;
        EXPECT_EQ(m.clock.elapsedMilliseconds, 2 * 500 + driving) << answer;
        ASSERT_FALSE(m.view.Progress().empty()) << answer;
        EXPECT_EQ(m.view.Progress().back(), lastPosition) << answer;
    }
}

// A Finish that goes unanswered is no answer: the quiet count runs on from before the last page,
// whether that came at once or after a busy page of 100 cycles.
TEST_F(WizardAutomationTest, AWizardHungOnItsLastPageNeverFinished)
{
    for (const std::size_t busyCycles : {0u, 100u}) {
        WizardSystem m;
        FakeWizard wizard(m.w, {"Welcome: Example USB Disk", "Copying", "Completed"});
        m.w.onCommand = [&](WindowHandle window, std::uint32_t command) {
            wizard.Take(window, command);
            if (busyCycles != 0 && wizard.pageIndex == 1)
                m.w.Window(wizard.next).enabled = false;
            m.w.Window(wizard.frame).hung = wizard.pageIndex + 1 == wizard.pageTexts.size();
        };
        m.clock.onSleep = [&] {
            if (wizard.pageIndex == 1 && m.clock.sleeps.size() == 2 + busyCycles) {
                wizard.ShowPage(2);
                m.w.Window(wizard.frame).hung = true;
            }
        };
        EXPECT_FALSE(m.Drive()) << busyCycles; // whatever its buttons show
        EXPECT_EQ(m.Sent(Finish), 1) << busyCycles;
        EXPECT_EQ(m.clock.sleeps.size(), 2u + 160u) << busyCycles;
    }
}

// Nor is a Next that goes unanswered on a page the wizard turned by itself.
TEST_F(WizardAutomationTest, AnUnansweredNextOnATurnedPageIsNoAnswer)
{
    FakeWizard wizard(w, {"Welcome: Example USB Disk", "Copying", "Completed"});
    w.Window(wizard.frame).hung = true;
    clock.onSleep = [&] {
        if (clock.sleeps.size() == 100)
            wizard.ShowPage(1);
    };
    EXPECT_FALSE(Drive());
    EXPECT_EQ(clock.sleeps.size(), 2u + 160u);
}

TEST_F(WizardAutomationTest, NoWizardEmptyDescriptionOrMissingButtonsTouchNoWindow)
{
    WizardSystem none;
    EXPECT_FALSE(none.Drive()) << "no wizard came in the minute";
    FakeWizard wizard(w, {"Welcome: Example USB Disk", "Done"});
    for (const char* blank : {"", " \t "}) { // a quoted description of blanks is found nearly everywhere
        session.State.DeviceDescription.Assign(blank);
        EXPECT_FALSE(Drive()) << '"' << blank << '"';
    }
    EXPECT_TRUE(clock.sleeps.empty());
    session.State.DeviceDescription.Assign("Example USB Disk");
    w.DestroyWindow(wizard.finish);
    EXPECT_FALSE(Drive());
    WizardSystem noNext;
    FakeWizard withoutNext(noNext.w, {"Welcome: Example USB Disk", "Done"});
    noNext.w.DestroyWindow(withoutNext.next);
    EXPECT_FALSE(noNext.Drive());
    EXPECT_TRUE(w.log.empty() && noNext.w.log.empty());
}

} // namespace
