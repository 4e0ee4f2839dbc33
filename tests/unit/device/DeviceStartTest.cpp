// The device start phase on each class: what is hidden and restored around the re-enumeration,
// the pause, the wizard, the outcome and the bar.
#include <gtest/gtest.h>

#include "device/DeviceStart.h"
#include "fakes/TestPlatform.h"

namespace {

using Lines = std::vector<std::string>;

// The phase over the session's own platform, from 50 to 100 as a silent install runs it.
bool StartDevice(SetupSession& session)
{
    Platform& platform = session.platform;
    return StartDevicePhase(session, platform.files, platform.configManager, platform.windows, platform.clock,
                            {NoStatusText, 50, 100});
}

class DeviceStartTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};

    void SetUp() override
    {
        session.State.WindowsFolder.Assign("C:\\WINDOWS");
        session.State.DeviceDescription.Assign("Example USB Disk");
        for (const char* name : {"USBSTOR.INF", "USBSTOR.PNF", "DRVIDX.BIN", "DRVDATA.BIN"})
            test.files.AddFile(std::string("C:\\WINDOWS\\INF\\") + name, name);
    }
    Lines Names() const
    {
        Lines names = test.files.Names("C:\\WINDOWS\\INF");
        std::sort(names.begin(), names.end());
        return names;
    }
};

class DeviceStartOn98Family : public DeviceStartTest, public ::testing::WithParamInterface<OsClass> {};

TEST_P(DeviceStartOn98Family, HidesTheDatabaseAroundTheReenumerationAndPause)
{
    session.State.OsClass = GetParam();
    std::vector<Lines> seenAtReenumeration;
    test.configManager.onReenumerate = [&] { seenAtReenumeration.push_back(Names()); };
    EXPECT_TRUE(StartDevice(session));
    EXPECT_EQ(seenAtReenumeration, (std::vector<Lines>{{"DRVDATA.Q7", "DRVIDX.Q7", "USBSTOR.INF", "USBSTOR.PNF"}}));
    EXPECT_EQ(Names(), (Lines{"DRVDATA.BIN", "DRVIDX.BIN", "USBSTOR.INF", "USBSTOR.PNF"}));
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\INF\\DRVIDX.BIN"), "DRVIDX.BIN");
    EXPECT_EQ(test.clock.elapsedMilliseconds, 3000);
    EXPECT_EQ(test.view.transcript, (Lines{"progress 50", "progress 100"}));
}
INSTANTIATE_TEST_SUITE_P(Systems, DeviceStartOn98Family,
                         ::testing::Values(OsClass::Unsupported, OsClass::Windows98, OsClass::WindowsMe));

TEST_F(DeviceStartTest, AFailedReenumerationStillPausesAndRestores)
{
    session.State.OsClass = OsClass::Windows98SecondEdition;
    test.configManager.faults.FailCall(Op::Scan);
    EXPECT_FALSE(StartDevice(session));
    EXPECT_EQ(test.clock.elapsedMilliseconds, 3000);
    EXPECT_EQ(Names(), (Lines{"DRVDATA.BIN", "DRVIDX.BIN", "USBSTOR.INF", "USBSTOR.PNF"}));
}

TEST_F(DeviceStartTest, Windows2000OnlyReenumerates)
{
    session.State.OsClass = OsClass::Windows2000;
    EXPECT_TRUE(StartDevice(session));
    EXPECT_TRUE(test.files.log.empty());
    EXPECT_EQ(test.clock.elapsedMilliseconds, 0);
    EXPECT_EQ(test.view.Progress(), (std::vector<int>{50, 100}));
    test.configManager.faults.FailCall(Op::Scan);
    EXPECT_FALSE(StartDevice(session));
}

TEST_F(DeviceStartTest, WindowsXpTakesTheWizardsOutcomeAndRestoresTheStorageInf)
{
    session.State.OsClass = OsClass::WindowsXp;
    std::vector<Lines> seenAtReenumeration;
    test.configManager.onReenumerate = [&] { seenAtReenumeration.push_back(Names()); };
    EXPECT_FALSE(StartDevice(session)); // re-enumerated, but no wizard came up
    EXPECT_EQ(seenAtReenumeration, (std::vector<Lines>{{"DRVDATA.BIN", "DRVIDX.BIN", "USBSTOR.IQ7", "USBSTOR.PQ7"}}));
    EXPECT_EQ(Names(), (Lines{"DRVDATA.BIN", "DRVIDX.BIN", "USBSTOR.INF", "USBSTOR.PNF"}));
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\INF\\USBSTOR.INF"), "USBSTOR.INF");
    const std::vector<int> progress = test.view.Progress();
    EXPECT_EQ(progress.front(), 50);
    EXPECT_EQ(progress[progress.size() - 2], 65); // the search's last cycle
    EXPECT_EQ(progress.back(), 100);

    // A failed re-enumeration does not stop the wizard's search.
    test.configManager.faults.FailCall(Op::Scan);
    test.view.transcript.clear();
    EXPECT_FALSE(StartDevice(session));
    EXPECT_EQ(test.view.Progress().size(), 122u);
}

} // namespace
