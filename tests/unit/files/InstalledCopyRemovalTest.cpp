// Removal of installed INF copies with their .PNF twins, and of the installed driver.
#include <gtest/gtest.h>

#include "app/SetupPhases.h"
#include "fakes/TestPlatform.h"
#include "files/InstalledCopyRemoval.h"

namespace {

std::string Inf(const std::string& models, const std::string& manufacturer = "M=Models\r\n")
{
    return "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\n" + manufacturer + "[Models]\r\n" + models;
}

std::u16string Utf16(const std::string& ascii)
{
    std::u16string text = u"\xFEFF";
    for (char c : ascii) text += static_cast<char16_t>(c);
    return text;
}

std::string Utf16Bytes(const std::string& ascii)
{
    std::string bytes;
    for (char16_t c : Utf16(ascii)) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

class InstalledCopyRemovalTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};

    void SetUp() override
    {
        session.State.WindowsFolder.Assign("C:\\WINDOWS");
        session.State.DriverFileName.Assign("EXDISK.SY_");
        test.files.AddFolder("C:\\WINDOWS\\INF\\OTHER");
        test.files.AddFolder("C:\\WINDOWS\\system32\\drivers");
    }
    int Remove(const char* vid, const char* pid)
    {
        return RemoveInfCopies(InfReadingOf(session.platform), session.State, vid, pid);
    }
    std::vector<std::string> Left(const char* folder) const { return test.files.Names(folder); }
};

TEST_F(InstalledCopyRemovalTest, Windows98FamilyLooksInInfOtherAndDeletesTwins)
{
    session.State.OsClass = OsClass::Windows98;
    test.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF", Inf("D=I,USB\\VID_1A2B&PID_3C4D\r\n"), true);
    test.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EXDISK.PNF", "precompiled", true);
    test.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\SWAPPED.INF", Inf("D=I,USB\\VID_3C4D&PID_1A2B\r\n"));
    test.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\LOWER.INF", Inf("D=I,usb\\vid_1a2b&pid_3c4d\r\n"));
    test.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\OTHERDEV.INF", Inf("D=I,USB\\VID_1A2B&PID_FFFF\r\n"));
    test.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\OTHERDEV.PNF", "precompiled");
    test.files.AddFile("C:\\WINDOWS\\INF\\OEM1.INF", Inf("D=I,USB\\VID_1A2B&PID_3C4D\r\n"));

    EXPECT_EQ(Remove("1a2b", "3c4d"), 2);
    // The swapped pair is another device's: its VID is this one's PID.
    EXPECT_EQ(Left("C:\\WINDOWS\\INF\\OTHER"),
              (std::vector<std::string>{"SWAPPED.INF", "OTHERDEV.INF", "OTHERDEV.PNF"}));
    EXPECT_TRUE(test.files.Exists("C:\\WINDOWS\\INF\\OEM1.INF"));
    EXPECT_EQ(test.files.searches.back(), "C:\\WINDOWS\\INF\\OTHER\\*.INF");
    EXPECT_EQ(std::vector<std::string>(test.files.log.begin(), test.files.log.begin() + 4),
              (std::vector<std::string>{
                  "attributes C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF", "delete C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF",
                  "attributes C:\\WINDOWS\\INF\\OTHER\\EXDISK.PNF", "delete C:\\WINDOWS\\INF\\OTHER\\EXDISK.PNF"}));
}

TEST_F(InstalledCopyRemovalTest, Windows2000AndXpTakeOnlyOemCopiesInAnyCaseIncludingUtf16)
{
    for (OsClass osClass : {OsClass::Windows2000, OsClass::WindowsXp}) {
        TestPlatform fresh;
        SetupSession s{fresh.platform};
        s.State.OsClass = osClass;
        s.State.WindowsFolder.Assign("C:\\WINDOWS");
        fresh.files.AddFolder("C:\\WINDOWS\\INF\\OTHER");
        fresh.files.AddFile("C:\\WINDOWS\\INF\\oemEXDISK.INF", Inf("D=I,USB\\VID_1A2B&PID_3C4D\r\n"));
        fresh.files.AddFile("C:\\WINDOWS\\INF\\oem3.inf", Utf16Bytes(Inf("D=I,USB\\VID_1A2B&PID_3C4D&REV_1\r\n")));
        fresh.files.AddFile("C:\\WINDOWS\\INF\\oem3.PNF", "precompiled");
        fresh.files.AddFile("C:\\WINDOWS\\INF\\USBSTOR.INF", Inf("D=I,USB\\VID_1A2B&PID_3C4D\r\n"));
        fresh.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF", Inf("D=I,USB\\VID_1A2B&PID_3C4D\r\n"));
        EXPECT_EQ(RemoveInfCopies(InfReadingOf(s.platform), s.State, "1A2B", "3C4D"), 2);
        EXPECT_EQ(fresh.files.Names("C:\\WINDOWS\\INF"), (std::vector<std::string>{"OTHER", "USBSTOR.INF"}));
        EXPECT_TRUE(fresh.files.Exists("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF"));
    }
}

TEST_F(InstalledCopyRemovalTest, OnlyTheFirstModelsSectionUntilTheFirstBadLine)
{
    session.State.OsClass = OsClass::Windows98SecondEdition;
    const std::string dir = "C:\\WINDOWS\\INF\\OTHER\\";
    test.files.AddFile(dir + "SECONDMFR.INF", Inf("D=I,USB\\VID_0000&PID_0000\r\n", "M=Models\r\nN=More\r\n") +
                                                  "[More]\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n");
    test.files.AddFile(dir + "BADLINE.INF", Inf("D=I\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"));
    test.files.AddFile(dir + "LONGLINE.INF",
                       Inf("D=I,USB\\VID_" + std::string(300, 'X') + "\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"));
    test.files.AddFile(dir + "LATER.INF", Inf("D=I,*PNP0A03\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"));
    test.files.AddFile(dir + "NOTWIN4.INF", "[Manufacturer]\r\nM=Models\r\n[Models]\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n");
    test.files.AddFile(dir + "LONGNAME.INF", Inf("", "M=ABCDEFGHIJKLMNOPQRST\r\n") +
                                                 "[ABCDEFGHIJKLMNOPQRST]\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n");
    test.files.AddFile(dir + "INUSE.INF", Inf("D=I,USB\\VID_1A2B&PID_3C4D\r\n"));
    test.files.SetInUse(dir + "INUSE.INF");

    EXPECT_EQ(Remove("1A2B", "3C4D"), 1);
    EXPECT_EQ(Left("C:\\WINDOWS\\INF\\OTHER"), (std::vector<std::string>{"SECONDMFR.INF", "BADLINE.INF", "LONGLINE.INF",
                                                                         "NOTWIN4.INF", "LONGNAME.INF", "INUSE.INF"}));
}

TEST_F(InstalledCopyRemovalTest, AFileSharedByTwoPairsIsDeletedOnceAndEmptyTextsMatchNothing)
{
    session.State.OsClass = OsClass::Windows98;
    test.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF",
                       Inf("D=I,USB\\VID_1A2B&PID_3C4D\r\nE=I,USB\\VID_1A2B&PID_3C4E\r\n"));
    test.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\ANY.INF", Inf("D=I,USB\\VID_9999&PID_9999\r\n"));
    EXPECT_EQ(Remove("", ""), 0);
    EXPECT_EQ(Remove("1A2B", ""), 0);
    EXPECT_EQ(Remove("1A2B", "3C4D"), 1);
    EXPECT_EQ(Remove("1A2B", "3C4E"), 0);
    EXPECT_EQ(Left("C:\\WINDOWS\\INF\\OTHER"), (std::vector<std::string>{"ANY.INF"}));
}

TEST_F(InstalledCopyRemovalTest, OnlyAVidAndPidMarkedAsSuchMatchAndOtherVendorsCopiesStay)
{
    session.State.OsClass = OsClass::WindowsXp;
    const char* inf = "C:\\WINDOWS\\INF\\";
    test.files.AddFile(std::string(inf) + "OEM1.INF", Inf("D=I,PCI\\VEN_8086&DEV_1A2B&SUBSYS_3C4D8086\r\n"));
    test.files.AddFile(std::string(inf) + "OEM2.INF", Inf("D=I,USB\\VID_3C4D&PID_1A2B\r\n"));
    test.files.AddFile(std::string(inf) + "OEM3.INF", Inf("D=I,USB\\VID_1A2B&PID_3C4F\r\n"));
    test.files.AddFile(std::string(inf) + "OEM4.INF", Inf("D=I,usb\\vid_1a2b&pid_3c4d&rev_0100\r\n"));
    test.files.AddFile(std::string(inf) + "OEM4.PNF", "precompiled");

    EXPECT_EQ(Remove("1A2B", "3"), 0); // a text that is no PID would take OEM3 and OEM4
    EXPECT_EQ(Remove("1A2B", "3C4"), 0);
    EXPECT_EQ(Remove("1A2B", "3C4D"), 1);
    EXPECT_EQ(Left("C:\\WINDOWS\\INF"), (std::vector<std::string>{"OTHER", "OEM1.INF", "OEM2.INF", "OEM3.INF"}));
}

TEST_F(InstalledCopyRemovalTest, MissingFolderOrOverlongWindowsFolderFindsNothing)
{
    session.State.OsClass = OsClass::Windows98;
    TestPlatform bare;
    SetupSession s{bare.platform};
    s.State.WindowsFolder.Assign("C:\\WINDOWS");
    EXPECT_EQ(RemoveInfCopies(InfReadingOf(s.platform), s.State, "1A2B", "3C4D"), 0);

    s.State.WindowsFolder.Assign("C:\\" + std::string(245, 'W')); // the pattern would not fit 259 characters
    EXPECT_EQ(RemoveInfCopies(InfReadingOf(s.platform), s.State, "1A2B", "3C4D"), 0);
    EXPECT_TRUE(bare.files.searches.size() == 1);
}

TEST_F(InstalledCopyRemovalTest, DriverIsDeletedUnderItsInstalledNameEvenWhenReadOnly)
{
    test.files.AddFile("C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS", "driver", true);
    DeleteDriverFile(session.platform.files, session.State);
    EXPECT_FALSE(test.files.Exists("C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS"));
    EXPECT_EQ(test.files.log, (std::vector<std::string>{"attributes C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS",
                                                        "delete C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS"}));
    DeleteDriverFile(session.platform.files, session.State); // already gone: nothing happens
}

} // namespace
