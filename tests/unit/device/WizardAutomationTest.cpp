// Driving a fake new-hardware wizard: the search, the opening presses, the pages, the device
// dialog, Finish, and the ends of the loop, with their progress positions.
#include <gtest/gtest.h>

#include "device/WizardAutomation.h"
#include "fakes/FakeWizard.h"
#include "fakes/TestPlatform.h"

namespace {

using Lines = std::vector<std::string>;

// The wizard driven over the session's own platform, from 50 to 100.
bool Drive(SetupSession& session)
{
    return DriveNewHardwareWizard(session, session.platform.windows, session.platform.clock, 50, 100);
}

class WizardAutomationTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};

    void SetUp() override { session.State.DeviceDescription.Assign("Example USB Disk"); }

    Lines Sent() const { return test.windows.log; }
};

TEST_F(WizardAutomationTest, SearchFindsTheTextOnlyInsideAPageAndReadsAt254Characters)
{
    FakeWindowSystem& w = test.windows;
    const WindowHandle naming = w.AddWindow(NoWindow, "#32770", "Hardware Installation");
    w.AddWindow(naming, "Static", "The software for Example USB Disk has not passed testing");
    const WindowHandle hiddenLate = w.AddWindow(NoWindow, "#32770");
    const WindowHandle latePage = w.AddWindow(hiddenLate, "#32770");
    w.AddWindow(latePage, "Static", std::string(240, ' ') + "Example USB Disk");
    const WindowHandle wizard = w.AddWindow(NoWindow, "#32770");
    const WindowHandle page = w.AddWindow(wizard, "#32770");
    w.AddWindow(page, "Static", std::string(238, ' ') + "Example USB Disk"); // ends at character 254

    EXPECT_EQ(FindDialogShowingText(w, NoWindow, "Example USB Disk"), naming);
    EXPECT_EQ(FindDialogShowingText(w, wizard, "Example USB Disk"), page);
    EXPECT_EQ(FindDialogShowingText(w, hiddenLate, "Example USB Disk"), NoWindow);
    EXPECT_EQ(WaitForWizard(session, session.platform.windows, "Example USB Disk", 50, 66), wizard);
    EXPECT_TRUE(test.view.Progress().empty()); // found in the first cycle
}

TEST_F(WizardAutomationTest, PagesAreSteppedThroughOneACycleAndFinishEndsIt)
{
    FakeWizard wizard(test.windows, {"Welcome: Example USB Disk", "Options", "Searching", "Copying", "Completed"});
    EXPECT_TRUE(Drive(session));
    // Two opening presses, then one press per page change, then Finish.
    EXPECT_EQ(Sent(), (Lines{"command 12324 to Found New Hardware Wizard", "command 12324 to Found New Hardware Wizard",
                             "command 12324 to Found New Hardware Wizard", "command 12324 to Found New Hardware Wizard",
                             "command 12325 to Found New Hardware Wizard"}));
    EXPECT_EQ(test.clock.sleeps, (std::vector<int>{500, 500, 500, 500}));
    EXPECT_EQ(test.view.Progress(), (std::vector<int>{66, 66}));
}

TEST_F(WizardAutomationTest, ABusyPageWaitsAndADeviceDialogGetsItsCommandEachTime)
{
    FakeWizard wizard(test.windows, {"Welcome: Example USB Disk", "Installing Example USB Disk", "Completed"});
    WindowHandle deviceDialog = NoWindow;
    test.windows.onCommand = [&](WindowHandle window, std::uint32_t command) {
        if (window == deviceDialog && command == DeviceDialogCommand)
            test.windows.DestroyWindow(deviceDialog);
    };
    // The wizard moves by itself: the busy page (both buttons off) appears after the opening
    // presses; a device dialog comes up twice; the last page shows up after 300 cycles.
    wizard.ShowPage(1);
    test.windows.Window(wizard.next).enabled = false;
    test.clock.onSleep = [&] {
        const std::size_t sleeps = test.clock.sleeps.size();
        if (sleeps == 10 || sleeps == 150) {
            deviceDialog = test.windows.AddWindow(NoWindow, "#32770", "Hardware Installation");
            test.windows.AddWindow(deviceDialog, "Static", "Example USB Disk needs a driver");
        }
        if (sleeps == 300)
            wizard.ShowPage(2);
    };
    EXPECT_TRUE(Drive(session));
    EXPECT_EQ(std::count(test.windows.log.begin(), test.windows.log.end(), "command 5303 to Hardware Installation"), 2);
    EXPECT_EQ(test.windows.log.back(), "command 12325 to Found New Hardware Wizard");
}

TEST_F(WizardAutomationTest, QuietCyclesEndTheLoopWithTheBarAtTheEnd)
{
    FakeWizard wizard(test.windows, {"Welcome: Example USB Disk", "Stuck"});
    test.windows.Window(wizard.next).enabled = false; // Next does nothing, the page never changes
    EXPECT_FALSE(Drive(session));
    EXPECT_EQ(test.clock.sleeps.size(), 2u + 160u);
    const std::vector<int> progress = test.view.Progress();
    ASSERT_EQ(progress.size(), 160u);
    EXPECT_EQ(progress.front(), 66);
    EXPECT_EQ(progress[79], 83);
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(WizardAutomationTest, ADialogThatNeverClosesIsCutOffAfterFiveMinutes)
{
    FakeWizard wizard(test.windows, {"Welcome: Example USB Disk", "Stuck"});
    test.windows.onCommand = nullptr; // the wizard stays on its first page
    const WindowHandle stubborn = test.windows.AddWindow(NoWindow, "#32770", "Hardware Installation");
    test.windows.AddWindow(stubborn, "Static", "Example USB Disk");
    EXPECT_FALSE(Drive(session));
    EXPECT_EQ(std::count(test.windows.log.begin(), test.windows.log.end(), "command 5303 to Hardware Installation"),
              600);
    EXPECT_EQ(test.clock.elapsedMilliseconds, (2 + 600) * 500);
}

TEST_F(WizardAutomationTest, AHungWindowIsAFailedCycleAndNeverAFinishedWizard)
{
    // A device dialog that stopped taking messages keeps showing the text: each command to it
    // times out, so the quiet limit ends the loop instead of five minutes of resets.
    FakeWizard stuck(test.windows, {"Welcome: Example USB Disk", "Stuck"});
    test.windows.Window(stuck.next).enabled = false;
    const WindowHandle hung = test.windows.AddWindow(NoWindow, "#32770", "Hardware Installation");
    test.windows.AddWindow(hung, "Static", "Example USB Disk");
    test.windows.Window(hung).hung = true;
    EXPECT_FALSE(Drive(session));
    EXPECT_EQ(test.clock.elapsedMilliseconds, (2 + 160) * 500);

    // A wizard that hangs on its last page did not finish, whatever its buttons show.
    TestPlatform fresh;
    SetupSession s{fresh.platform};
    s.State.DeviceDescription.Assign("Example USB Disk");
    FakeWizard wizard(fresh.windows, {"Welcome: Example USB Disk", "Copying", "Completed"});
    fresh.windows.onCommand = [&](WindowHandle window, std::uint32_t command) {
        wizard.Take(window, command);
        fresh.windows.Window(wizard.frame).hung = wizard.pageIndex + 1 == wizard.pageTexts.size();
    };
    EXPECT_FALSE(Drive(s));
    EXPECT_EQ(
        std::count(fresh.windows.log.begin(), fresh.windows.log.end(), "command 12325 to Found New Hardware Wizard"),
        1);
}

TEST_F(WizardAutomationTest, NoWizardMeansTheSearchWindowAndNoCommand)
{
    EXPECT_FALSE(Drive(session));
    EXPECT_TRUE(Sent().empty());
    const std::vector<int> progress = test.view.Progress();
    ASSERT_EQ(progress.size(), 120u);
    EXPECT_EQ(progress.front(), 50);
    EXPECT_EQ(progress[60], 58);
    EXPECT_EQ(progress.back(), 65);
    EXPECT_EQ(test.view.dispatchCount, 120 * 50); // the search pumps messages
}

TEST_F(WizardAutomationTest, EmptyDescriptionOrMissingButtonsTouchNoWindow)
{
    FakeWizard wizard(test.windows, {"Welcome: Example USB Disk", "Done"});
    session.State.DeviceDescription.Clear();
    EXPECT_FALSE(Drive(session));
    EXPECT_TRUE(test.clock.sleeps.empty());

    session.State.DeviceDescription.Assign("Example USB Disk");
    test.windows.DestroyWindow(wizard.finish);
    EXPECT_FALSE(Drive(session));
    EXPECT_TRUE(Sent().empty());
}

} // namespace
