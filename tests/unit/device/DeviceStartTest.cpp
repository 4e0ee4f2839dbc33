// The device start phase on each class: what is hidden and restored around the re-enumeration,
// the pause, the wizard, the outcome and the bar.
#include <gtest/gtest.h>

#include "device/DeviceStart.h"
#include "fakes/TestPlatform.h"

namespace {

using Lines = std::vector<std::string>;

// The USB storage INF and the driver database in C:\WINDOWS\INF, and the phase over them from 50
// to 100 as a silent install runs it.
class DeviceStartTest : public ::testing::Test, public TestPlatform {
protected:
    SetupSession session{platform};
    std::vector<Lines> seenAtReenumeration;

    DeviceStartTest()
    {
        session.State.WindowsFolder.Assign("C:\\WINDOWS");
        session.State.DeviceDescription.Assign("Example USB Disk");
        for (const char* name : {"USBSTOR.INF", "USBSTOR.PNF", "DRVIDX.BIN", "DRVDATA.BIN"})
            files.AddFile(std::string("C:\\WINDOWS\\INF\\") + name, name);
        configManager.onReenumerate = [this] { seenAtReenumeration.push_back(Names()); };
    }
    bool StartDevice(OsClass osClass)
    {
        session.State.OsClass = osClass;
        return StartDevicePhase(session, files, configManager, windows, clock, {NoStatusText, 50, 100});
    }
    Lines Names() const
    {
        Lines names = files.Names("C:\\WINDOWS\\INF");
        std::sort(names.begin(), names.end());
        return names;
    }
};
const Lines Untouched = {"DRVDATA.BIN", "DRVIDX.BIN", "USBSTOR.INF", "USBSTOR.PNF"};

class DeviceStartOn98Family : public DeviceStartTest, public ::testing::WithParamInterface<OsClass> {};

TEST_P(DeviceStartOn98Family, HidesTheDatabaseAroundTheReenumerationAndPause)
{
    EXPECT_TRUE(StartDevice(GetParam()));
    EXPECT_EQ(seenAtReenumeration, (std::vector<Lines>{{"DRVDATA.Q7", "DRVIDX.Q7", "USBSTOR.INF", "USBSTOR.PNF"}}));
    EXPECT_EQ(Names(), Untouched);
    EXPECT_EQ(files.Contents("C:\\WINDOWS\\INF\\DRVIDX.BIN"), "DRVIDX.BIN");
    EXPECT_EQ(clock.elapsedMilliseconds, 3000);
    EXPECT_EQ(view.transcript, (Lines{"progress 50", "progress 100"}));
}
INSTANTIATE_TEST_SUITE_P(Systems, DeviceStartOn98Family,
                         ::testing::Values(OsClass::Unsupported, OsClass::Windows98, OsClass::WindowsMe));

TEST_F(DeviceStartTest, AFailedReenumerationStillPausesAndRestores)
{
    configManager.faults.FailCall(Op::Scan);
    EXPECT_FALSE(StartDevice(OsClass::Windows98SecondEdition));
    EXPECT_EQ(clock.elapsedMilliseconds, 3000);
    EXPECT_EQ(Names(), Untouched);
}

TEST_F(DeviceStartTest, Windows2000OnlyReenumerates)
{
    EXPECT_TRUE(StartDevice(OsClass::Windows2000));
    EXPECT_TRUE(files.log.empty());
    EXPECT_EQ(clock.elapsedMilliseconds, 0);
    EXPECT_EQ(view.Progress(), (std::vector<int>{50, 100}));
    configManager.faults.FailCall(Op::Scan);
    EXPECT_FALSE(StartDevice(OsClass::Windows2000));
}

TEST_F(DeviceStartTest, WindowsXpTakesTheWizardsOutcomeAndRestoresTheStorageInf)
{
    EXPECT_FALSE(StartDevice(OsClass::WindowsXp)); // re-enumerated, but no wizard came up
    EXPECT_EQ(seenAtReenumeration, (std::vector<Lines>{{"DRVDATA.BIN", "DRVIDX.BIN", "USBSTOR.IQ7", "USBSTOR.PQ7"}}));
    EXPECT_EQ(Names(), Untouched);
    EXPECT_EQ(files.Contents("C:\\WINDOWS\\INF\\USBSTOR.INF"), "USBSTOR.INF");
    const std::vector<int> progress = view.Progress(); // 65: the search's last cycle
    EXPECT_EQ(std::tuple(progress.front(), progress[progress.size() - 2], progress.back()), std::tuple(50, 65, 100));

    // A failed re-enumeration does not stop the wizard's search.
    configManager.faults.FailCall(Op::Scan);
    view.transcript.clear();
    EXPECT_FALSE(StartDevice(OsClass::WindowsXp));
    EXPECT_EQ(view.Progress().size(), 122u);
}

} // namespace
