// The edit of the placed INF copy: one semicolon before the install section's CopyFiles, and
// a file that is never left half written.
#include <gtest/gtest.h>

#include "fakes/ExamplePackage.h"
#include "files/CopyFilesEdit.h"

using namespace std::string_literals;
using example::Utf16File;

namespace {

const std::string Path = "C:\\WINDOWS\\INF\\oemEXDISK.INF";
const std::string Before = "[ExInstall]\r\nCopyFiles=ExFiles\r\n";
const std::string After = "[ExInstall]\r\n;CopyFiles=ExFiles\r\n";

TEST(CopyFilesEdit, OneSemicolonBeforeTheFirstCopyFilesAfterTheHeader)
{
    struct Case {
        const char* name;
        std::string before;
        std::string section;
        std::string after; // equal to before: left unchanged
    };
    const std::string head = "[Version]\r\nSignature=$CHICAGO$\r\n[DefaultInstall]\r\nCopyFiles=Other\r\n";
    const Case cases[] = {
        {"plain", head + Before, "ExInstall", head + After},
        {"header in another case", "[exinstall]\r\n  copyfiles = ExFiles\r\n", "ExInstall",
         "[exinstall]\r\n  ;copyfiles = ExFiles\r\n"},
        {"a z in another case", "[INSTALLZ]\r\nCopyFiles=X\r\n", "Installz", "[INSTALLZ]\r\n;CopyFiles=X\r\n"},
        {"a longer section name first", "[ExInstall.NT]\r\nCopyFiles=NT\r\n" + Before, "ExInstall",
         "[ExInstall.NT]\r\nCopyFiles=NT\r\n" + After},
        {"no CopyFiles in the section but in a later one", "[ExInstall]\r\nAddReg=R\r\n[Later]\r\nCopyFiles=L\r\n",
         "ExInstall", "[ExInstall]\r\nAddReg=R\r\n[Later]\r\n;CopyFiles=L\r\n"},
        {"a comment in between takes the semicolon",
         "[ExInstall]\r\n; CopyFiles is done elsewhere\r\nCopyFiles=ExFiles\r\n", "ExInstall",
         "[ExInstall]\r\n; ;CopyFiles is done elsewhere\r\nCopyFiles=ExFiles\r\n"},
        {"the section's header twice", "[ExInstall]\r\nCopyFiles=ExFiles\r\n[ExInstall]\r\n[L]\r\nCopyFiles=L\r\n",
         "ExInstall", "[ExInstall]\r\n;CopyFiles=ExFiles\r\n[ExInstall]\r\n[L]\r\nCopyFiles=L\r\n"},
        {"a shorter word first", "[ExInstall]\r\n; CopyFile list\r\nCopyFiles=ExFiles\r\n", "ExInstall",
         "[ExInstall]\r\n; CopyFile list\r\n;CopyFiles=ExFiles\r\n"},
        {"a section named for what it holds", "[Ex_CopyFiles]\r\nCopyFiles=ExFiles\r\n", "Ex_CopyFiles",
         "[Ex_CopyFiles]\r\n;CopyFiles=ExFiles\r\n"},
        {"already commented", After, "ExInstall", "[ExInstall]\r\n;;CopyFiles=ExFiles\r\n"},
        {"inside a longer word", "[ExInstall]\r\nNoCopyFilesHere=1\r\n", "ExInstall",
         "[ExInstall]\r\nNo;CopyFilesHere=1\r\n"},
        {"bytes kept as read", "[ExInstall]\r\n\xE8\xA1\xA8=\x95\x5C\r\nCopyFiles=ExFiles\x1A\0tail"s, "ExInstall",
         "[ExInstall]\r\n\xE8\xA1\xA8=\x95\x5C\r\n;CopyFiles=ExFiles\x1A\0tail"s},
        {"no header", "[Other]\r\nCopyFiles=ExFiles\r\n", "ExInstall", "[Other]\r\nCopyFiles=ExFiles\r\n"},
        {"no CopyFiles after the header", "CopyFiles=X\r\n[ExInstall]\r\nAddReg=R\r\n", "ExInstall",
         "CopyFiles=X\r\n[ExInstall]\r\nAddReg=R\r\n"},
        {"empty section name", Before, "", Before},
        {"empty file", "", "ExInstall", ""},
        {"UTF-16", Utf16File(u"[Strings]\r\nD=\u8868\u5C5B\r\n[exinstall]\r\n\u0143copyfiles=X\r\n"), "ExInstall",
         Utf16File(u"[Strings]\r\nD=\u8868\u5C5B\r\n[exinstall]\r\n\u0143;copyfiles=X\r\n")},
        // A unit whose low byte is an ASCII letter is no letter: U+4300 U+4F00 ... spell nothing.
        {"UTF-16 units that only look like ASCII bytes",
         Utf16File(u"[ExInstall]\r\n\u4300\u4F00\u5000\u5900\u4600\u4900\u4C00\u4500\u5300\r\n"), "ExInstall",
         Utf16File(u"[ExInstall]\r\n\u4300\u4F00\u5000\u5900\u4600\u4900\u4C00\u4500\u5300\r\n")},
        {"UTF-8", "\xEF\xBB\xBF" + head + "[Strings]\r\nD=\xE8\xA1\xA8\r\n" + Before, "ExInstall",
         "\xEF\xBB\xBF" + head + "[Strings]\r\nD=\xE8\xA1\xA8\r\n" + After},
        // The record holds the name in the code page (here Latin-1); the header is looked for as
        // the file spells it.
        {"UTF-8, a name beyond ASCII", "\xEF\xBB\xBF[Instalaci\xC3\xB3n]\r\nCopyFiles=X\r\n", "Instalaci\xF3n",
         "\xEF\xBB\xBF[Instalaci\xC3\xB3n]\r\n;CopyFiles=X\r\n"},
        {"UTF-16, a name beyond ASCII", Utf16File(u"[Instalaci\u00F3n]\r\nCopyFiles=X\r\n"), "Instalaci\xF3n",
         Utf16File(u"[Instalaci\u00F3n]\r\n;CopyFiles=X\r\n")},
        // An odd number of bytes is never UTF-16, whatever its first two.
        {"odd-sized, opening like UTF-16", "\xFF\xFE\r\n[ExInstall]\r\nCopyFiles=X\r\n[Strings]\r\n", "ExInstall",
         "\xFF\xFE\r\n[ExInstall]\r\n;CopyFiles=X\r\n[Strings]\r\n"},
    };
    for (const Case& c : cases) {
        FakeFileSystem files;
        Latin1CodePage codePage;
        files.AddFile(Path, c.before);
        EXPECT_TRUE(CommentOutCopyFiles(files, codePage, Path, c.section)) << c.name; // edited, or nothing to edit
        EXPECT_EQ(files.Contents(Path), c.after) << c.name;
        EXPECT_EQ(files.Names("C:\\WINDOWS\\INF"), (std::vector<std::string>{"oemEXDISK.INF"})) << c.name;
    }
    // Siblings an earlier edit left, even read-only, make way.
    for (const char last : {'$', '~'}) {
        FakeFileSystem files;
        Latin1CodePage codePage;
        files.AddFile(Path, Before);
        files.AddFile(Path.substr(0, Path.size() - 1) + last, "stale", true);
        EXPECT_TRUE(CommentOutCopyFiles(files, codePage, Path, "ExInstall")) << last;
        EXPECT_EQ(files.Contents(Path), After) << last;
        EXPECT_EQ(files.Names("C:\\WINDOWS\\INF"), (std::vector<std::string>{"oemEXDISK.INF"})) << last;
    }
}

// A rewrite that stops halfway (the fake writes part of the bytes and reports failure), or a
// rename refused at either step of the swap, leaves the copy as it was and no sibling beside it;
// a recovery whose rename back is refused keeps the saved copy, by then the only one.
TEST(CopyFilesEdit, AnEditThatFailsLeavesTheCopyAsItWas)
{
    class ShortWrites : public FakeFileSystem {
    public:
        bool halfWrites = false;
        bool Rewrite(const std::string& path, const std::string& bytes) override
        {
            if (!halfWrites)
                return FakeFileSystem::Rewrite(path, bytes);
            FakeFileSystem::Rewrite(path, bytes.substr(0, bytes.size() / 2));
            return false;
        }
    };
    Latin1CodePage codePage;
    for (const int refusedMove : {0, 1, 2}) {
        ShortWrites files;
        files.halfWrites = refusedMove == 0;
        if (refusedMove != 0)
            files.faults.FailCall(Op::Move, refusedMove);
        files.AddFile(Path, Before);
        EXPECT_FALSE(CommentOutCopyFiles(files, codePage, Path, "ExInstall")) << "worth trying again";
        EXPECT_EQ(files.Names("C:\\WINDOWS\\INF"), (std::vector<std::string>{"oemEXDISK.INF"})) << refusedMove;
        EXPECT_EQ(files.Contents(Path), Before) << refusedMove;
    }
    // A scanner holding both files refuses the swap and the rename back, leaving the copy under
    // its saved name only: each try puts it back first, and is worth repeating until it can.
    ShortWrites held;
    held.AddFile(Path, Before);
    for (const int refusedMove : {2, 3, 4}) held.faults.FailCall(Op::Move, refusedMove);
    EXPECT_FALSE(CommentOutCopyFiles(held, codePage, Path, "ExInstall"));
    EXPECT_FALSE(CommentOutCopyFiles(held, codePage, Path, "ExInstall"));
    EXPECT_TRUE(CommentOutCopyFiles(held, codePage, Path, "ExInstall"));
    EXPECT_EQ(held.Contents(Path), After);
    EXPECT_EQ(held.Names("C:\\WINDOWS\\INF"), (std::vector<std::string>{"oemEXDISK.INF"}));

    ShortWrites files;
    files.AddFile("C:\\WINDOWS\\INF\\oemEXDISK.IN~", After);
    files.faults.FailCall(Op::Move);
    RecoverCopyFilesEdit(files, Path);
    EXPECT_EQ(files.Names("C:\\WINDOWS\\INF"), (std::vector<std::string>{"oemEXDISK.IN~"}));
    EXPECT_TRUE(CommentOutCopyFiles(files, codePage, "C:\\WINDOWS\\INF\\MISSING.INF", "ExInstall"));
}

} // namespace
