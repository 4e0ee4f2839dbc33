// The fake file system keeps the Windows behaviour that the core's tests rely on.
#include <gtest/gtest.h>

#include "fakes/FakeFileSystem.h"

using Strings = std::vector<std::string>;

TEST(FakeFileSystemTest, PathsIgnoreCaseAndKeepTheCaseTheyWereCreatedWith)
{
    FakeFileSystem files;
    files.AddFile("C:\\Windows\\INF\\UsbStor.inf", "usb");

    EXPECT_TRUE(files.Exists("c:\\WINDOWS\\inf\\USBSTOR.INF"));
    EXPECT_EQ(files.Contents("C:\\WINDOWS\\INF\\usbstor.INF"), "usb");
    EXPECT_EQ(files.FindFiles("C:\\WINDOWS\\INF\\*.INF"), Strings{"UsbStor.inf"});

    EXPECT_TRUE(files.Copy("C:\\WINDOWS\\INF\\USBSTOR.INF", "c:\\windows\\inf\\Copy.Inf"));
    EXPECT_EQ(files.Names("C:\\WINDOWS\\INF"), (Strings{"UsbStor.inf", "Copy.Inf"}));
}

TEST(FakeFileSystemTest, SearchesYieldCreationOrderOrTheOrderTheTestGives)
{
    FakeFileSystem files;
    files.AddFile("A:\\SECOND.IN_", "");
    files.AddFile("A:\\FIRST.INF", "");
    files.AddFile("A:\\SETUP.EXE", "");
    files.AddFile("A:\\THIRD.INF", "");
    EXPECT_EQ(files.FindFiles("A:\\*.in?"), (Strings{"SECOND.IN_", "FIRST.INF", "THIRD.INF"}));

    files.SetSearchOrder("a:\\", {"third.inf", "FIRST.INF", "MISSING.INF"});
    EXPECT_EQ(files.FindFiles("A:\\*.in?"), (Strings{"THIRD.INF", "FIRST.INF", "SECOND.IN_"}));

    EXPECT_TRUE(files.FindFiles("B:\\*.in?").empty());
}

TEST(FakeFileSystemTest, ReadOnlyFilesRefuseDeleteRewriteAndCopyOntoThemUntilMadeNormal)
{
    FakeFileSystem files;
    files.AddFile("C:\\SRC\\NEW.SYS", "new");
    files.AddFile("C:\\DRV\\OLD.SYS", "old", true);

    EXPECT_FALSE(files.Remove("C:\\DRV\\OLD.SYS"));
    EXPECT_FALSE(files.Rewrite("C:\\DRV\\OLD.SYS", "x"));
    EXPECT_FALSE(files.Copy("C:\\SRC\\NEW.SYS", "C:\\DRV\\OLD.SYS"));
    EXPECT_EQ(files.Contents("C:\\DRV\\OLD.SYS"), "old");

    EXPECT_TRUE(files.SetNormalAttributes("C:\\DRV\\OLD.SYS"));
    EXPECT_TRUE(files.Copy("C:\\SRC\\NEW.SYS", "C:\\DRV\\OLD.SYS"));
    EXPECT_EQ(files.Contents("C:\\DRV\\OLD.SYS"), "new");

    // A copy takes the source's read-only attribute along, as CopyFileA does.
    files.SetReadOnly("C:\\SRC\\NEW.SYS");
    EXPECT_TRUE(files.Copy("C:\\SRC\\NEW.SYS", "C:\\DRV\\FRESH.SYS"));
    EXPECT_TRUE(files.IsReadOnly("C:\\DRV\\FRESH.SYS"));
}

TEST(FakeFileSystemTest, MoveNeverReplacesAndNeedsTheTargetFolder)
{
    FakeFileSystem files;
    files.AddFile("C:\\INF\\DRVIDX.BIN", "index");
    files.AddFile("C:\\INF\\DRVIDX.Q7", "backup");

    EXPECT_FALSE(files.Move("C:\\INF\\DRVIDX.BIN", "c:\\inf\\drvidx.q7"));
    EXPECT_FALSE(files.Move("C:\\INF\\DRVIDX.BIN", "C:\\MISSING\\DRVIDX.Q7"));
    EXPECT_FALSE(files.Move("C:\\INF\\NONE.BIN", "C:\\INF\\NONE.Q7"));
    EXPECT_EQ(files.Contents("C:\\INF\\DRVIDX.Q7"), "backup");

    EXPECT_TRUE(files.Remove("C:\\INF\\DRVIDX.Q7"));
    EXPECT_TRUE(files.Move("C:\\INF\\DRVIDX.BIN", "C:\\INF\\DRVIDX.Q7"));
    EXPECT_FALSE(files.Exists("C:\\INF\\DRVIDX.BIN"));
    EXPECT_EQ(files.Contents("C:\\INF\\DRVIDX.Q7"), "index");

    // Only the case changes: the same file, renamed.
    EXPECT_TRUE(files.Move("C:\\INF\\DRVIDX.Q7", "C:\\INF\\drvidx.q7"));
    EXPECT_EQ(files.Names("C:\\INF"), Strings{"drvidx.q7"});
}

TEST(FakeFileSystemTest, FoldersMustExistAndFilesInUseRefuseEverything)
{
    FakeFileSystem files;
    files.AddFolder("C:\\WINDOWS\\INF");
    files.AddFile("C:\\PKG\\A.INF", "a");

    EXPECT_FALSE(files.Copy("C:\\PKG\\A.INF", "C:\\WINDOWS\\INF\\OTHER\\A.INF"));
    EXPECT_FALSE(files.MakeDirectory("C:\\WINDOWS\\INF\\OTHER\\DEEP"));
    EXPECT_TRUE(files.MakeDirectory("C:\\WINDOWS\\INF\\OTHER"));
    EXPECT_FALSE(files.MakeDirectory("C:\\WINDOWS\\INF\\other"));
    EXPECT_TRUE(files.Copy("C:\\PKG\\A.INF", "C:\\WINDOWS\\INF\\OTHER\\A.INF"));

    files.SetInUse("C:\\WINDOWS\\INF\\OTHER\\A.INF");
    std::string bytes;
    EXPECT_FALSE(files.ReadAll("C:\\WINDOWS\\INF\\OTHER\\A.INF", bytes));
    EXPECT_FALSE(files.Copy("C:\\PKG\\A.INF", "C:\\WINDOWS\\INF\\OTHER\\A.INF"));
    EXPECT_FALSE(files.Remove("C:\\WINDOWS\\INF\\OTHER\\A.INF"));
    EXPECT_FALSE(files.Move("C:\\WINDOWS\\INF\\OTHER\\A.INF", "C:\\WINDOWS\\INF\\OTHER\\B.INF"));
    EXPECT_FALSE(files.SetNormalAttributes("C:\\WINDOWS\\INF\\OTHER\\A.INF"));
}

TEST(FakeFileSystemTest, LogRecordsEveryMutatingCallAndInjectedFaultsHitTheNthCall)
{
    FakeFileSystem files;
    files.AddFile("C:\\A", "a");
    files.faults.FailCall(FakeFileSystem::Operation::Copy, 2);

    EXPECT_TRUE(files.Copy("C:\\A", "C:\\B"));
    EXPECT_FALSE(files.Copy("C:\\A", "C:\\C"));
    EXPECT_TRUE(files.Copy("C:\\A", "C:\\D"));
    EXPECT_FALSE(files.Remove("C:\\C"));

    EXPECT_FALSE(files.Exists("C:\\C"));
    EXPECT_EQ(files.log,
              (Strings{"copy C:\\A -> C:\\B", "copy C:\\A -> C:\\C", "copy C:\\A -> C:\\D", "delete C:\\C"}));
}
