// The edit of the placed INF copy: one semicolon before the install section's CopyFiles, and
// a file that is never left half written.
#include <gtest/gtest.h>

#include "fakes/FakeFileSystem.h"
#include "files/CopyFilesEdit.h"

using namespace std::string_literals;

namespace {

const std::string Path = "C:\\WINDOWS\\INF\\oemEXDISK.INF";

struct EditCase {
    const char* name;
    std::string before;
    std::string section;
    std::string after; // equal to before: left unchanged
};

TEST(CopyFilesEdit, OneSemicolonBeforeTheFirstCopyFilesAfterTheHeader)
{
    const std::string head = "[Version]\r\nSignature=$CHICAGO$\r\n[DefaultInstall]\r\nCopyFiles=Other\r\n";
    const EditCase cases[] = {
        {"plain", head + "[ExInstall]\r\nCopyFiles=ExFiles\r\n", "ExInstall",
         head + "[ExInstall]\r\n;CopyFiles=ExFiles\r\n"},
        {"header in another case", "[exinstall]\r\n  copyfiles = ExFiles\r\n", "ExInstall",
         "[exinstall]\r\n  ;copyfiles = ExFiles\r\n"},
        {"no CopyFiles in the section but in a later one", "[ExInstall]\r\nAddReg=R\r\n[Later]\r\nCopyFiles=L\r\n",
         "ExInstall", "[ExInstall]\r\nAddReg=R\r\n[Later]\r\n;CopyFiles=L\r\n"},
        {"a comment in between takes the semicolon",
         "[ExInstall]\r\n; CopyFiles is done elsewhere\r\nCopyFiles=ExFiles\r\n", "ExInstall",
         "[ExInstall]\r\n; ;CopyFiles is done elsewhere\r\nCopyFiles=ExFiles\r\n"},
        {"already commented", "[ExInstall]\r\n;CopyFiles=ExFiles\r\n", "ExInstall",
         "[ExInstall]\r\n;;CopyFiles=ExFiles\r\n"},
        {"inside a longer word", "[ExInstall]\r\nNoCopyFilesHere=1\r\n", "ExInstall",
         "[ExInstall]\r\nNo;CopyFilesHere=1\r\n"},
        {"bytes kept as read", "[ExInstall]\r\n\xE8\xA1\xA8=\x95\x5C\r\nCopyFiles=ExFiles\x1A\0tail"s, "ExInstall",
         "[ExInstall]\r\n\xE8\xA1\xA8=\x95\x5C\r\n;CopyFiles=ExFiles\x1A\0tail"s},
        {"no header", "[Other]\r\nCopyFiles=ExFiles\r\n", "ExInstall", "[Other]\r\nCopyFiles=ExFiles\r\n"},
        {"no CopyFiles after the header", "CopyFiles=X\r\n[ExInstall]\r\nAddReg=R\r\n", "ExInstall",
         "CopyFiles=X\r\n[ExInstall]\r\nAddReg=R\r\n"},
        {"empty section name", "[ExInstall]\r\nCopyFiles=ExFiles\r\n", "", "[ExInstall]\r\nCopyFiles=ExFiles\r\n"},
        {"empty file", "", "ExInstall", ""},
    };
    for (const EditCase& c : cases) {
        FakeFileSystem files;
        files.AddFile(Path, c.before);
        CommentOutCopyFiles(files, Path, c.section);
        EXPECT_EQ(files.Contents(Path), c.after) << c.name;
        EXPECT_EQ(files.Names("C:\\WINDOWS\\INF"), (std::vector<std::string>{"oemEXDISK.INF"})) << c.name;
        if (c.after != c.before) {
            EXPECT_EQ(files.Contents(Path).size(), c.before.size() + 1) << c.name;
        }
    }
}

std::string Utf16Le(const std::u16string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

TEST(CopyFilesEdit, UnicodeFilesAreEditedInTheirOwnEncoding)
{
    const EditCase cases[] = {
        {"UTF-16", Utf16Le(u"[Version]\r\n[ExInstall]\r\nCopyFiles=ExFiles\r\n"), "ExInstall",
         Utf16Le(u"[Version]\r\n[ExInstall]\r\n;CopyFiles=ExFiles\r\n")},
        {"UTF-16 with characters beyond ASCII around",
         Utf16Le(u"[Strings]\r\nD=\u8868\u5C5B\r\n[exinstall]\r\n\u0143copyfiles=X\r\n"), "ExInstall",
         Utf16Le(u"[Strings]\r\nD=\u8868\u5C5B\r\n[exinstall]\r\n\u0143;copyfiles=X\r\n")},
        // A unit whose low byte is an ASCII letter is no letter: U+4300 U+4F00 ... spell nothing.
        {"UTF-16 units that only look like ASCII bytes",
         Utf16Le(u"[ExInstall]\r\n\u4300\u4F00\u5000\u5900\u4600\u4900\u4C00\u4500\u5300\r\n"), "ExInstall",
         Utf16Le(u"[ExInstall]\r\n\u4300\u4F00\u5000\u5900\u4600\u4900\u4C00\u4500\u5300\r\n")},
        {"UTF-8", "\xEF\xBB\xBF[Strings]\r\nD=\xE8\xA1\xA8\r\n[ExInstall]\r\nCopyFiles=X\r\n", "ExInstall",
         "\xEF\xBB\xBF[Strings]\r\nD=\xE8\xA1\xA8\r\n[ExInstall]\r\n;CopyFiles=X\r\n"},
    };
    for (const EditCase& c : cases) {
        FakeFileSystem files;
        files.AddFile(Path, c.before);
        CommentOutCopyFiles(files, Path, c.section);
        EXPECT_EQ(files.Contents(Path), c.after) << c.name;
    }
}

TEST(CopyFilesEdit, AMissingFileIsNotCreated)
{
    FakeFileSystem files;
    files.AddFolder("C:\\WINDOWS\\INF");
    CommentOutCopyFiles(files, Path, "ExInstall");
    EXPECT_FALSE(files.Exists(Path));
}

TEST(CopyFilesEdit, AFailureAtAnyStepLeavesTheCopyWholeEitherWay)
{
    const std::string before = "[ExInstall]\r\nCopyFiles=ExFiles\r\n";
    const std::string after = "[ExInstall]\r\n;CopyFiles=ExFiles\r\n";
    using Op = FakeFileSystem::Operation;
    int unchanged = 0;
    for (Op op : {Op::ReadAll, Op::Copy, Op::SetNormalAttributes, Op::Rewrite, Op::Move, Op::Remove}) {
        for (int call = 1; call <= 4; ++call) {
            FakeFileSystem files;
            files.AddFile(Path, before);
            files.faults.FailCall(op, call);
            CommentOutCopyFiles(files, Path, "ExInstall");
            ASSERT_TRUE(files.Exists(Path));
            const std::string result = files.Contents(Path);
            EXPECT_TRUE(result == before || result == after) << static_cast<int>(op) << " call " << call;
            unchanged += result == before;
        }
    }
    EXPECT_GT(unchanged, 0);
}

TEST(CopyFilesEdit, AWriteCutShortNeverReachesTheCopy)
{
    // A rewrite that stops halfway: the fake writes part of the bytes and reports failure.
    class ShortWrites : public FakeFileSystem {
    public:
        bool Rewrite(const std::string& path, const std::string& bytes) override
        {
            FakeFileSystem::Rewrite(path, bytes.substr(0, bytes.size() / 2));
            return false;
        }
    } files;
    const std::string before = "[ExInstall]\r\nCopyFiles=ExFiles\r\n";
    files.AddFile(Path, before);
    CommentOutCopyFiles(files, Path, "ExInstall");
    EXPECT_EQ(files.Contents(Path), before);
    EXPECT_EQ(files.Names("C:\\WINDOWS\\INF"), (std::vector<std::string>{"oemEXDISK.INF"}));
}

} // namespace
