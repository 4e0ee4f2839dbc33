// Tests of the INF reader: what opens, how lines split into keys and fields, substitution,
// encodings, the read rules the callers rely on, and hostile input.
#include "package/InfFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>

#include "fakes/ExamplePackage.h"
#include "fakes/FailingAllocations.h"
#include "fakes/ShiftJisCodePage.h"
#include "package/InfEncoding.h"

namespace {

using example::Utf16File;
const std::string Header = "[Version]\r\nSignature=\"$CHICAGO$\"\r\n";

Latin1CodePage latin1; // outlives every file read through it

std::unique_ptr<InfFile> Parse(std::string_view bytes, const InfOpenOptions& options = {})
{
    return InfFile::Parse(bytes, latin1, options);
}

// A field as GetStringField reads it. GetStringView, which takes most fields where they stand,
// must give the same text and fail in the same cases, also for a buffer one byte too small.
std::optional<std::string> Field(const InfFile& file, const InfLine& line, unsigned index)
{
    char buffer[600], viewBuffer[600];
    std::string_view view;
    const bool viewed = file.GetStringView(line, index, viewBuffer, sizeof viewBuffer, view);
    if (!file.GetStringField(line, index, buffer, sizeof buffer)) {
        EXPECT_FALSE(viewed);
        return std::nullopt;
    }
    const std::string text = buffer;
    EXPECT_TRUE(viewed && view == text) << text;
    EXPECT_FALSE(file.GetStringView(line, index, viewBuffer, text.size(), view)) << text;
    return text;
}

std::vector<std::string> Values(const InfFile& file, const InfLine& line)
{
    std::vector<std::string> values;
    for (unsigned index = 1; auto value = Field(file, line, index); ++index) values.push_back(*value);
    return values;
}

// Field 1 of the first line of the section with the key (any line with none); none without that line.
std::optional<std::string> Value(const InfFile& file, std::string_view section, const char* key)
{
    InfLine line;
    return file.FindFirstLine(section, key, line) ? Field(file, line, 1) : std::nullopt;
}

// The first line of [Test] in a file made of the header, that section and `body`. A file that
// does not open is a failure, and an empty one stands in for it so that reads simply fail.
struct FirstLine {
    std::unique_ptr<InfFile> file;
    InfLine line;
    explicit FirstLine(const std::string& body, const InfOpenOptions& options = {})
        : file(Parse(Header + "[Test]\n" + body, options))
    {
        if (file == nullptr)
            file = Parse(Header);
        if (!file->FindFirstLine("Test", nullptr, line))
            ADD_FAILURE() << body;
    }
};

TEST(InfFileTest, OpensOnlyWindows4StyleFilesThatParse)
{
    // A section name of 252 characters in 256 bytes of UTF-8.
    const std::string utf8Name = "\xEF\xBB\xBF" + Header + "[" + std::string(250, 'a') + "\xE6\x97\xA5\xE6\x97\xA5]";
    const std::string opening[] = {
        "[VERSION]\nSIGNATURE=$chicago$",           "[version]\nsignature=\"$Windows NT$\",extra",
        "[Version]\nSignature=$Windows 95$",        "[Version]\nabc=def\n[Other]\n[version]\nSignature=$chicago$",
        Header + "[" + std::string(255, 'a') + "]", ";comment\n" + Header,
        "garbage\n" + Header + "[strings]\n",       utf8Name};
    for (const std::string& bytes : opening) EXPECT_NE(Parse(bytes), nullptr) << bytes;
    const std::string refused[] = {"[Version]\nSignature=foo",
                                   "[Version]\nSignature=",
                                   "[Setup]\nSignature=$Chicago$",
                                   "[Version]\nSignature=%sig%\n[Strings]\nsig=$Chicago$",
                                   "abcd",
                                   "",
                                   Header + "[ab\r\n",
                                   Header + "[ab\r\n[S]\r\n",
                                   Header + "[ab\x1a]\n",
                                   Header + "[" + std::string(256, 'a') + "]",
                                   "garbage\n" + Header};
    for (const std::string& bytes : refused) EXPECT_EQ(Parse(bytes), nullptr) << bytes;
}

TEST(InfFileTest, SplitsLinesIntoKeysAndFields)
{
    struct Case {
        std::string body;
        std::optional<std::string> key;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"ab=cd,ef,gh,ij", "ab", {"cd", "ef", "gh", "ij"}},
        {"ab", "ab", {"ab"}},
        {"ab,cd=ef", std::nullopt, {"ab", "cd=ef"}},
        {"=abcd,ef", "", {"abcd", "ef"}},
        {"a=", "a", {""}},
        {"a=b,,c, ,d", "a", {"b", "", "c", "", "d"}},
        {",=,,b", std::nullopt, {"", "=", "", "b"}},
        {" a  b = c ,\" d\" \r\n", "a  b", {"c", " d"}},
        {"ab  \\  \ncd=ef", "abcd", {"ef"}},
        {"ab \\ ;comment\n  cd=ef", "abcd", {"ef"}},
        {"ba \\ dc=xx", "ba \\ dc", {"xx"}},
        {"ba=c \\\n \\\n a", "ba", {"ca"}},
        {"ab=cd \\", "ab", {"cd"}},
        {"ab=cd\\\n\nef", "ab", {"cd"}},
        {"Ab\"Cd\"=Ef", "AbCd", {"Ef"}},
        {"Ab\"Cd=Ef\"", "AbCd=Ef", {"AbCd=Ef"}},
        {"ab\"\"\"cd,ef=gh\"", "ab\"cd,ef=gh", {"ab\"cd,ef=gh"}},
        {"ab=cd\",ef\\\nab", "ab", {"cd,ef\\"}},
        {"a=b,\"\",c,\" \",d", "a", {"b", "", "c", " ", "d"}},
        {"a=x \"\" y ; comment", "a", {"x  y"}},
        {"HKLM,A,B,'C',D", std::nullopt, {"HKLM", "A", "B", "'C'", "D"}},
        {"ab=c\x1az\ne=f", "ab", {"c"}},
        {std::string("abcd=ef\0gh", 10), "abcd", {"ef gh"}},
        {std::string("ab=cd \0\n", 8), "ab", {"cd"}},
        {std::string("a=\"x\0y\"", 7), "a", {"x y"}}, // quoted too
        {"k=" + std::string(600, 'v') + "\"" + std::string(100, 'w'), "k", {std::string(511, 'v')}},
        // In Latin-1, 0xA0 and 0x85 are U+00A0 and U+0085: Unicode white space, trimmed.
        {"\xA0k\xA0=\xA0v\x85,a\xA0z", "k", {"v", "a\xA0z"}},
        {"\v\fk\f=\vv\f", "k", {"v"}}, // vertical tab and form feed are white space too
    };
    for (const Case& test : cases) {
        FirstLine first(test.body);
        EXPECT_EQ(Field(*first.file, first.line, 0), test.key) << test.body;
        EXPECT_EQ(Values(*first.file, first.line), test.values) << test.body;
    }
}

TEST(InfFileTest, SectionNamesAreRawTextUpToTheFirstBracket)
{
    const auto file = Parse(Header + " [Test[S]ection] tail\na=1\n[ x;y\\\" ]\nb=2\n[TEST[s]\nc=3\n[]\nd=4\n" +
                            std::string("[Nul\0Name]\ne=5\n\0[Late]\nf=6\n", 27));
    ASSERT_NE(file, nullptr);
    // The second [TEST[s] header adds its line to the same section.
    const std::map<std::string, std::string> found = {{"test[S", "a"}, {" x;y\\\" ", "b"}, {"Test[S", "c"},
                                                      {"", "d"},       {"Nul Name", "e"},  {"Late", "f"}};
    for (const auto& [section, key] : found) EXPECT_NE(Value(*file, section, key.c_str()), std::nullopt) << section;
    EXPECT_EQ(Value(*file, "Test[Section", nullptr), std::nullopt);
}

// Lines are read as their section is looked up; the open only finds the headers. A '[' opens a
// section only as the first character of its line, on a line the one before does not continue.
TEST(InfFileTest, ALineThatABackslashContinuesTakesAHeaderLikeLineWithIt)
{
    enum class Text { Latin1, ShiftJis, Utf8, Utf16 };
    struct Case {
        Text encoding;
        std::string value;  // "[Test]\na=<value>\n<before>[S]\nb=1"
        std::string before; // on the line of [S]
        std::string read;
        bool header; // whether [S] stays a header
        long lines;  // of [Test]
    };
    const Case cases[] = {
        {Text::Latin1, "x \\", "", "x[S]", false, 2},
        {Text::Latin1, "x \\ \\\t", "", "x[S]", false, 2},
        {Text::Latin1, "x \\\r\n\\", "", "x[S]", false, 2}, // a line of a backslash alone goes on too
        {Text::Latin1, "x \\\n y \\", "", "xy[S]", false, 2},
        {Text::Latin1, "x \\\n[T] \\", "", "x[T][S]", false, 2},
        {Text::Latin1, "x\n[T] \\", "", "x", true, 1}, // a header's line never goes on
        {Text::Latin1, "x \\ ;c", "", "x[S]", false, 2},
        {Text::Latin1, std::string("x \\\0", 4), "", "x[S]", false, 2}, // a NUL reads as a space
        {Text::Latin1, "x ;c \\", "", "x", true, 1},
        {Text::Latin1, "x\n;c \\", "", "x", true, 1},
        {Text::Latin1, "\"x \\", "", "x \\", true, 1},
        {Text::Latin1, "\"x\" \\", "", "x[S]", false, 2},
        {Text::Latin1, "\"y;z\" \\", "", "y;z[S]", false, 2},
        {Text::Latin1, "x\\y", "", "x\\y", true, 1},
        {Text::Latin1, "x[S]", " \t\r", "x[S]", true, 1},
        {Text::Latin1, "x", "y", "x", false, 3},
        {Text::Latin1, "x", "\xA0", "x", true, 1},
        {Text::Latin1, "x \\\xA0", "", "x[S]", false, 2},
        {Text::Latin1, "x \x95\\", "", "x \x95[S]", false, 2},
        // 0x81 0x40 is U+3000, white space; 0x95 0x5C a character, not a backslash.
        {Text::ShiftJis, "x \\\x81\x40", "", "x[S]", false, 2},
        {Text::ShiftJis, "x \x95\\", "", "x \x95\\", true, 1},
        {Text::ShiftJis, "x", "\x81\x40", "x", true, 1},
        {Text::ShiftJis, "x", "\x95", "x", false, 3},
        {Text::Utf8, "x \\\xE3\x80\x80", "", "x[S]", false, 2},
        {Text::Utf8, "x", "\xE3\x80\x80", "x", true, 1},
        {Text::Utf8, "x", "\xE3\x81\x80", "x", false, 3},
        {Text::Utf16, "x \\\xE3\x80\x80", "", "x[S]", false, 2},
        {Text::Utf16, "x", "\xE3\x80\x80", "x", true, 1},
        {Text::Utf16, "x \\y", "", "x \\y", true, 1},
        {Text::Utf16, "x \\ ;c", "", "x[S]", false, 2},
    };
    ShiftJisCodePage japanese;
    for (const Case& test : cases) {
        const std::string text = Header + "[Test]\na=" + test.value + "\n" + test.before + "[S]\nb=1\n";
        const auto file = test.encoding == Text::Latin1     ? Parse(text)
                          : test.encoding == Text::ShiftJis ? InfFile::Parse(text, japanese)
                          : test.encoding == Text::Utf8     ? Parse("\xEF\xBB\xBF" + text)
                                                            : Parse(Utf16File(DecodeUtf8(text)));
        ASSERT_NE(file, nullptr) << test.value;
        for (int look = 0; look < 2; ++look) EXPECT_EQ(Value(*file, "Test", "a"), test.read) << test.value;
        EXPECT_EQ(Value(*file, "S", "b"), test.header ? std::optional<std::string>("1") : std::nullopt) << test.value;
        EXPECT_EQ(file->LineCount("Test"), test.lines) << test.value;
    }
}

TEST(InfFileTest, DuplicateSectionsMergeInFileOrderAndFindNextStopsAtTheEnd)
{
    std::string text = Header;
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i) {
        text += (i % 2 ? "[z]\nk=" : "[Z]\n[B]\nk=9\n[Z]\nk=") + std::to_string(i) + "\n";
        expected.push_back(std::to_string(i));
    }
    const auto file = Parse(text);
    ASSERT_NE(file, nullptr);
    InfLine line;
    ASSERT_TRUE(file->FindFirstLine("z", "K", line));
    std::vector<std::string> values{*Field(*file, line, 1)};
    while (file->FindNextLine(line)) values.push_back(*Field(*file, line, 1));
    EXPECT_EQ(values, expected);
    EXPECT_EQ(file->LineCount("z"), 40);
    EXPECT_EQ(Field(*file, line, 1), "39"); // a failed FindNextLine leaves the position alone

    InfLine untouched;
    EXPECT_FALSE(file->FindNextLine(untouched));
    EXPECT_FALSE(Parse(Header + "[Empty]\n; only a comment\n")->FindFirstLine("Empty", nullptr, line));

    // Names whose hashes collide (S8Z81K6E and SQ283Y1U, S7DI71B1 and S2UZB8P4) stay apart.
    const auto colliding =
        Parse(Header + "[SQ283Y1U]\nk=b1\n[S8Z81K6E]\nk=a1\n[s8z81k6e]\nk=a2\n[SQ283Y1U]\nk=b2\n[S7DI71B1]\nk=c\n");
    const auto sectionValues = [&colliding](const char* section) {
        std::vector<std::string> found;
        InfLine at;
        for (bool more = colliding->FindFirstLine(section, nullptr, at); more; more = colliding->FindNextLine(at))
            found.push_back(*Field(*colliding, at, 1));
        return found;
    };
    using Strings = std::vector<std::string>;
    EXPECT_EQ(sectionValues("S8Z81K6E"), (Strings{"a1", "a2"}));
    EXPECT_EQ(sectionValues("sq283y1u"), (Strings{"b1", "b2"}));
    EXPECT_EQ(sectionValues("S7DI71B1"), Strings{"c"});
    EXPECT_EQ(sectionValues("S2UZB8P4"), Strings{});
}

// A section read once, of possibly millions of lines, is visited without keeping its lines.
TEST(InfFileTest, VisitedLinesReadAsFoundLinesAndAreSpent)
{
    // 600 lines under two headers, with comments, a blank line and a continued line among them:
    // more than one batch of lines read at a time, the later ones of more fields.
    std::string text = Header + "[Strings]\nd=Disk\n[M]\n";
    for (int i = 0; i < 600; ++i) {
        text += "%d%=I" + std::to_string(i) + ",ID" + std::to_string(i) + (i > 200 ? ",a,b,c" : "") +
                (i % 7 == 0 ? " ; note\n" : "\n");
        if (i == 300)
            text += "\n[Other]\nx=y\n[m]\nlong=\\\n  continued\n";
    }
    using Lines = std::vector<std::vector<std::optional<std::string>>>;
    const auto fields = [](const InfFile& file, const InfLine& line) {
        return std::vector<std::optional<std::string>>{Field(file, line, 0), Field(file, line, 1),
                                                       Field(file, line, 2)};
    };
    const auto found = Parse(text);
    ASSERT_NE(found, nullptr);
    Lines expected;
    InfLine at;
    for (bool more = found->FindFirstLine("M", nullptr, at); more; more = found->FindNextLine(at))
        expected.push_back(fields(*found, at));
    ASSERT_EQ(expected.size(), 601u);

    const auto visited = Parse(text);
    Lines lines;
    EXPECT_TRUE(visited->VisitLines("m", [&](const InfLine& line) {
        lines.push_back(fields(*visited, line));
        return true;
    }));
    EXPECT_EQ(lines, expected);
    // Spent: the lines are gone, the rest of the file stays readable.
    EXPECT_FALSE(visited->FindFirstLine("M", nullptr, at));
    EXPECT_EQ(Value(*visited, "Other", "x"), "y");
    EXPECT_FALSE(visited->LinesLost());

    // A section read before is visited from what was kept, and stays.
    for (const char* section : {"Strings", "Version"}) {
        int count = 0;
        EXPECT_TRUE(visited->VisitLines(section, [&count](const InfLine&) { return ++count > 0; })) << section;
        EXPECT_EQ(count, 1) << section;
        EXPECT_TRUE(visited->FindFirstLine(section, nullptr, at)) << section;
    }
    EXPECT_FALSE(visited->VisitLines("Absent", [](const InfLine&) { return true; }));

    // A visit that says stop is the last.
    int count = 0;
    EXPECT_TRUE(Parse(text)->VisitLines("M", [&count](const InfLine&) { return ++count < 300; }));
    EXPECT_EQ(count, 300);

    // Lines that memory cannot hold are lost, never taken for absent ones.
    const auto starved = Parse(text);
    {
        FailingAllocations failing(1024);
        EXPECT_FALSE(starved->VisitLines("M", [](const InfLine&) { return true; }));
    }
    EXPECT_TRUE(starved->LinesLost());
}

TEST(InfFileTest, SubstitutesStringTokensWhenRead)
{
    std::string strings = "[Strings]\nfoo=aaa\nbar=bbb\nloop=%loop2%\nloop2=%loop%\nper=1\ncent=2\n"
                          "22=twenty-two\nempty=\nquoted=\" q \"\nnokey,value\n";
    for (int i = 0; i < 30; ++i) strings += "FOO=later" + std::to_string(i) + "\n"; // the first one counts
    struct Case {
        std::string body, key, value;
    };
    const Case cases[] = {
        {"%foo%=%bar%", "aaa", "bbb"},
        {"%% %foo%=%Bar%", "% aaa", "bbb"},
        {"%foo%xx=%bar%yy", "aaaxx", "bbbyy"},
        {"%f\"o\"o%=ccc", "aaa", "ccc"},
        {"abc=%bar;bla%", "abc", "%bar"},
        {"loop=%loop%", "loop", "%loop2%"},
        {"%per%%cent%=100", "12", "100"},
        {"a=%unknown%-%10%-%22%", "a", "%unknown%-%10%-twenty-two"},
        {"a=x%empty%y%quoted%", "a", "xy q "},
        {"a=100%", "a", "100%"},
        {"a=%a%b%", "a", "%a%b%"},
        {"a=%nokey%", "a", "%nokey%"}, // a line without a key names no string
    };
    for (const Case& test : cases) {
        FirstLine first(test.body + "\n" + strings);
        EXPECT_EQ(Field(*first.file, first.line, 0), test.key) << test.body;
        EXPECT_EQ(Field(*first.file, first.line, 1), test.value) << test.body;
        InfLine found;
        EXPECT_TRUE(first.file->FindFirstLine("Test", test.key.c_str(), found)) << test.body;
    }
    FirstLine first("%foo%=x\n" + strings);
    InfLine found;
    EXPECT_FALSE(first.file->FindFirstLine("Test", "%foo%", found));
}

TEST(InfFileTest, SubstitutesDirectoryIdsWithTheFoldersGiven)
{
    const std::map<std::string, std::string> cases = {
        {"%10%|%17%|% +010%|%30%", "C:\\WIN|C:\\WIN\\inf|C:\\WIN|C:\\"},
        {"%11%\\drivers|%2%|%24%\\x", "C:\\WIN\\SYS\\drivers|C:\\WIN\\SYS\\unknown|C:\\x"},
        {"%1%|%1%\\sub", "C:\\PKG\\|C:\\PKG\\sub"},
        {"%-1%|%0%|%65535%", "||"},
        {"%-%|%+%|% %", "%-%|%+%|% %"}, // a sign or blanks alone are no number
        {"%s%", "strings first"},
        {"%13%|%18%|%20%|%21%|%23%|%25%|%19%", "C:\\WIN\\SYS|C:\\WIN\\help|C:\\WIN\\fonts|C:\\WIN\\SYS\\viewers|"
                                               "C:\\WIN\\SYS\\spool\\drivers\\color|C:\\WIN|C:\\WIN\\SYS\\unknown"},
        {"%50%|%51%|%52%|%54%|%55%", "C:\\WIN\\system|C:\\WIN\\spool|C:\\WIN\\spool\\drivers|C:\\|%55%"},
        {"%16384%|%16447%|%16448%|%32767%|%32768%",
         "%16384%|%16447%|C:\\WIN\\SYS\\unknown|C:\\WIN\\SYS\\unknown|%32768%"},
        {"%16400%|%99999%|%-2%|%53%|%10 %|%0x10%|%4294967306%", "%16400%|%99999%|%-2%|%53%|%10 %|%0x10%|%4294967306%"}};
    std::string text = Header + "[Test]\n";
    for (const auto& [value, expected] : cases) text += "k=" + value + "\n";
    text += "[Strings]\ns=strings first\n";
    std::u16string wide(text.begin(), text.end());
    FakeFileSystem files;
    files.AddFile("C:\\PKG\\ANSI.INF", text);
    files.AddFile("C:\\PKG\\UTF16.INF", Utf16File(wide));
    EXPECT_EQ(InfFile::Open(files, latin1, "C:\\PKG\\MISSING.INF"), nullptr);
    InfOpenOptions options;
    options.windowsFolder = "C:\\WIN";
    options.systemFolder = "C:\\WIN\\SYS";
    for (const char* path : {"C:\\PKG\\ansi.inf", "C:\\PKG\\UTF16.INF"}) {
        const auto file = InfFile::Open(files, latin1, path, options);
        ASSERT_NE(file, nullptr);
        InfLine line;
        ASSERT_TRUE(file->FindFirstLine("Test", nullptr, line));
        for (const auto& [value, expected] : cases) {
            EXPECT_EQ(Field(*file, line, 1), expected) << path << " " << value;
            file->FindNextLine(line);
        }
    }
    // Folders not given stay as written; bytes already read have no folder of their own.
    FirstLine unknown("k=%10%|%11%|%1%|%0%");
    EXPECT_EQ(Field(*unknown.file, unknown.line, 1), "%10%|%11%|%1%|");
}

TEST(InfFileTest, FailedReadsLeaveTheCallersValueAlone)
{
    FirstLine first("k=" + std::string(19, 'x') + "," + std::string(20, 'y') +
                    ",%long%\n[Strings]\nlong=" + std::string(300, 'z'));
    const InfFile& file = *first.file;
    char buffer[20] = "preset";
    EXPECT_TRUE(file.GetStringField(first.line, 1, buffer, sizeof buffer));
    EXPECT_EQ(std::string(buffer), std::string(19, 'x'));
    std::strcpy(buffer, "preset");
    for (unsigned index : {2, 3, 4}) EXPECT_FALSE(file.GetStringField(first.line, index, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "preset");

    FixedText<20> text;
    text.Assign("preset");
    EXPECT_FALSE(file.GetStringField(first.line, 2, text));
    EXPECT_EQ(text.str(), "preset");
    EXPECT_TRUE(file.GetStringField(first.line, 0, text));
    EXPECT_EQ(text.str(), "k");

    FirstLine noKey("a,b");
    EXPECT_FALSE(noKey.file->GetStringField(noKey.line, 0, text));
    EXPECT_FALSE(noKey.file->GetStringField(InfLine{}, 1, text));
}

TEST(InfFileTest, ReadsIntegersAsStrtolWithBaseZero)
{
    std::vector<std::pair<std::string, std::optional<std::int32_t>>> cases = {
        {"48", 48}, {"0x4", 4}, {"0X1f", 31}, {"010", 8},    {"-12", -12},
        {"+7", 7},  {"", 0},    {"%sp%5", 5}, {"\"\t5\"", 5}}; // strtol skips a tab too
    // Out of range clamps; what is no number is not read.
    for (const char* text : {"2147483647", "99999999999", "0xFFFFFFFF", "%long%%long%"})
        cases.push_back({text, INT32_MAX});
    for (const char* text : {"-2147483648", "-0x80000001"}) cases.push_back({text, INT32_MIN});
    for (const char* text : {"Field1", "08", "0x", "12a", "-", "%sp%", "5%sp%"}) cases.push_back({text, std::nullopt});
    for (const auto& [text, expected] : cases) {
        FirstLine first("Key=" + text + "\n[Strings]\nsp=\"  \"\nlong=" + std::string(300, '7') + "\n");
        std::int32_t value = -1;
        EXPECT_EQ(first.file->GetIntField(first.line, 1, value), expected.has_value()) << text;
        EXPECT_EQ(value, expected.value_or(-1)) << text;
    }
    FirstLine numericKey("123=48");
    std::int32_t value = -1;
    EXPECT_TRUE(numericKey.file->GetIntField(numericKey.line, 0, value));
    EXPECT_EQ(value, 123);
    EXPECT_FALSE(numericKey.file->GetIntField(numericKey.line, 2, value));
    EXPECT_EQ(value, 123);
}

TEST(InfFileTest, ReadsUnicodeFilesOnlyWithAByteOrderMark)
{
    const std::u16string text =
        u"[Version]\r\nSignature=$Chicago$\r\n[Test]\r\nk=\u200Acaf\u00e9 \u65e5\u672c\u3000,\U0001F600,\xD800x\r\n";
    // Names compare in Unicode, so "????" is not the Cyrillic key it would be in the ANSI code
    // page; a cut after 511 units keeps the first half of a surrogate pair, read as '?', and
    // nothing after it.
    const auto narrow = [](const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); };
    const std::u16string more =
        u"\u041a\u043b\u044e\u0447=1\r\ncaf\u00e9=2\r\n\u0085x\u0085=3\r\n\u1680y\u205F=4\r\n\u2000z\u2028=\u20295\u202F\r\nw=" +
        std::u16string(509, u'w') + u"\U0001F600x\r\nv=";
    const std::u16string end = u"\U0001F600 y\r\n[\u0422\u0435\u0441\u0442]\r\na=1";
    const std::string utf8 =
        narrow(u8"\uFEFF[Version]\r\nSignature=$Chicago$\r\n[Test]\r\n"
               u8"k=\u200Acaf\u00e9 \u65e5\u672c\u3000,\U0001F600,?x\r\n"
               u8"\u041a\u043b\u044e\u0447=1\r\ncaf\u00e9=2\r\n\u0085x\u0085=3\r\n\u1680y\u205F=4\r\n"
               u8"\u2000z\u2028=\u20295\u202F\r\nw=") +
        std::string(509, 'w') + narrow(u8"\U0001F600x\r\nv=") + std::string(510, 'v') +
        narrow(u8"\U0001F600 y\r\n[\u0422\u0435\u0441\u0442]\r\na=1");
    for (const auto& bytes : {Utf16File(text + more + std::u16string(510, u'v') + end), utf8}) {
        const auto file = Parse(bytes);
        ASSERT_NE(file, nullptr);
        InfLine line;
        ASSERT_TRUE(file->FindFirstLine("test", "K", line));
        EXPECT_EQ(Values(*file, line), (std::vector<std::string>{"caf\xe9 ??", "?", "?x"}));
        EXPECT_EQ(Value(*file, "test", "????"), std::nullopt);
        EXPECT_EQ(Value(*file, "????", nullptr), std::nullopt);
        EXPECT_EQ(Value(*file, "test", "caf\xe9"), "2");
        EXPECT_EQ(Value(*file, "test", "X"), "3");
        EXPECT_EQ(Value(*file, "test", "v"), std::string(510, 'v') + "?");
        EXPECT_EQ(Value(*file, "test", "Y"), "4");
        EXPECT_EQ(Value(*file, "test", "Z"), "5");
        EXPECT_EQ(Value(*file, "test", "w"), std::string(509, 'w') + "?"); // the pair takes the last two units
    }
    EXPECT_EQ(Parse(Utf16File(text).substr(2)), nullptr);
    EXPECT_EQ(Parse(Utf16File(text) + "x"), nullptr); // an odd size is never UTF-16
    EXPECT_EQ(Parse("\xEF\xBB\xBF"), nullptr);
}

// The read limit holds for the text in the ANSI code page: a substitution of more than 511 UTF-16
// units or UTF-8 bytes still reads when its ANSI text fits, one character more does not.
TEST(InfFileTest, ASubstitutionIsHeldToTheReadLimitInTheAnsiCodePage)
{
    std::u16string pairs;
    std::string accented;
    for (int i = 0; i < 255; ++i) pairs += u"\U0001F600", accented += "\xC3\xA9";
    const std::string head =
        "[Version]\r\nSignature=$Chicago$\r\n[Test]\r\nk=%a%%a%\r\nl=%a%%a%xx\r\nm=%a%%a%x\r\n[Strings]\r\na=";
    const std::pair<std::string, char> files[] = {
        {Utf16File(std::u16string(head.begin(), head.end()) + pairs + u"\r\n"), '?'},
        {"\xEF\xBB\xBF" + head + accented + "\r\n", '\xE9'},
        {head + std::string(255, 'e') + "\r\n", 'e'}};
    for (const auto& [bytes, character] : files) {
        const auto file = Parse(bytes);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(Value(*file, "Test", "k"), std::string(510, character));
        EXPECT_EQ(Value(*file, "Test", "l"), std::nullopt);
        EXPECT_EQ(Value(*file, "Test", "m"), std::string(510, character) + "x");
    }
}

TEST(InfFileTest, AUtf16FileEndsAtItsFirstCtrlZUnitNotAtABytePairThatLooksLikeOne)
{
    // U+011A and U+1A41 hold the byte 0x1A, and U+1A41 U+4E00 the bytes 1A 00 across two
    // characters; only the unit U+001A ends the text.
    const auto file = Parse(Utf16File(u"[Version]\r\nSignature=$Chicago$\r\n[Test]\r\nk=a\u011Ab\u1A41\u4E00c\r\n"
                                      u"l=\u1A00\x1A[More]\r\nm=1\r\n"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Value(*file, "Test", "k"), "a?b??c");
    EXPECT_EQ(Value(*file, "Test", "l"), "?"); // U+1A00 U+001A: bytes 00 1A 1A 00
    EXPECT_EQ(Value(*file, "More", nullptr), std::nullopt);
    EXPECT_EQ(Value(*Parse(Utf16File(u"[Version]\r\nSignature=$Chicago$\r\n[T]\r\nk=a\u011A\x1A")), "T", "k"), "a?");
}

TEST(InfFileTest, DecodesBrokenUtf8AsReplacementCharacters)
{
    // Overlong forms, surrogates, values past U+10FFFF and bytes that start nothing give one U+FFFD
    // a byte; a sequence cut short gives one.
    const std::pair<std::string, int> broken[] = {{"\xC0\xAF", 2},         {"\xE0\x80\xAF", 3}, {"\xED\xA0\x80", 3},
                                                  {"\xF4\x90\x80\x80", 4}, {"\xE6\x97", 1},     {"\xFF\xFE", 2},
                                                  {"\xF0\x8F\xBF\xBF", 4}, {"\xE0\x9F\xBF", 3}};
    for (const auto& [bytes, units] : broken) EXPECT_EQ(DecodeUtf8(bytes), std::u16string(units, u'\uFFFD')) << bytes;
    EXPECT_EQ(DecodeUtf8("\2001234567\xE6\x97z\xC3\xA9\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xF0\x90\x80\x80"), // \200: 0x80
              u"\uFFFD1234567\uFFFDz\u00e9\U0001F600\U0010FFFF\U00010000");
    // A file with a broken sequence is decoded whole; either kind of UTF-8 file ends at its Ctrl-Z.
    using Read = std::pair<std::string, std::string>;
    for (const auto& [value, read] : {Read{"\xD0\x9A\xEF\xBD\xB1\xF0\x90\x80\x80", "???"}, Read{"a\x80z", "a?z"}}) {
        const auto file = Parse("\xEF\xBB\xBF" + Header + "[Test]\nk=" + value + "\x1A[More]\nm=1\n");
        EXPECT_EQ(Value(*file, "Test", "k"), read) << read;
        EXPECT_EQ(Value(*file, "More", nullptr), std::nullopt) << read;
    }
}

TEST(InfFileTest, HostileInputStaysBounded)
{
    // A 20 MB line, a line of 10,000 tokens that each expand to 500 characters, many sections.
    FirstLine longLine("k=" + std::string(20'000'000, 'a') + ",b");
    EXPECT_EQ(Values(*longLine.file, longLine.line), (std::vector<std::string>{std::string(511, 'a'), "b"}));

    std::string tokens;
    for (int i = 0; i < 10'000; ++i) tokens += "%a%";
    FirstLine expanding(tokens + "=" + tokens + "\n[Strings]\na=" + std::string(500, 'x'));
    EXPECT_EQ(Field(*expanding.file, expanding.line, 0), std::nullopt);
    EXPECT_EQ(Field(*expanding.file, expanding.line, 1), std::nullopt);

    std::string sections = Header;
    for (int i = 0; i < 200'000; ++i) sections += "[S" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
    const auto many = Parse(sections);
    ASSERT_NE(many, nullptr);
    EXPECT_EQ(Value(*many, "s199999", "K"), "199999");

    EXPECT_NE(Parse(Header + std::string(1'000'000, '\\') + "\n" + std::string(1'000'000, '"')), nullptr);
    // 200,000 header-like lines that a backslash joins into one, and a million brackets.
    std::string chain = Header + "[T]\na=\\\n";
    for (int i = 0; i < 200'000; ++i) chain += "[x] \\\n";
    const auto joined = Parse(chain + "[S]\nb=1\n");
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(joined->LineCount("T"), 2);
    EXPECT_EQ(joined->LineCount("x"), -1);
    FirstLine brackets("a=" + std::string(1'000'000, '[') + "\n");
    EXPECT_EQ(Values(*brackets.file, brackets.line), (std::vector<std::string>{std::string(511, '[')}));
    EXPECT_EQ(Parse(Header + "[" + std::string(10'000'000, 'n')), nullptr);
}

// A file too large for the memory left does not open. A section's lines are read on its first
// lookup; when memory runs out there, the file says so and nothing more is looked up, so no
// caller takes lines it could not read for absent ones.
TEST(InfFileTest, WhatCouldNotBeReadForWantOfMemoryIsNeverTakenForWhatIsAbsent)
{
    FakeFileSystem files;
    files.AddFile("C:\\INF\\BIG.INF", Header + "[S]\n" + std::string(2 * 1024 * 1024, ';'));
    for (const bool memoryRunsOut : {false, true}) {
        FailingAllocations failing(memoryRunsOut ? 1024 * 1024 : SIZE_MAX);
        EXPECT_EQ(InfFile::Open(files, latin1, "C:\\INF\\BIG.INF") == nullptr, memoryRunsOut);
    }

    std::string text = Header + "[Small]\na=1\n[Big]\n";
    for (int i = 0; i < 100'000; ++i) text += "k=v,w\n";
    for (const bool memoryRunsOut : {false, true}) {
        const auto file = Parse(text);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(Value(*file, "Small", "a"), "1");
        {
            FailingAllocations failing(memoryRunsOut ? 64 * 1024 : SIZE_MAX);
            EXPECT_EQ(Value(*file, "Big", "k"), memoryRunsOut ? std::nullopt : std::optional<std::string>("v"));
        }
        EXPECT_EQ(file->LinesLost(), memoryRunsOut);
        EXPECT_EQ(Value(*file, "Small", "a"), memoryRunsOut ? std::nullopt : std::optional<std::string>("1"));
        EXPECT_EQ(file->LineCount("Big"), memoryRunsOut ? 0 : 100'000);
    }
}

} // namespace

TEST(InfFileDoubleByte, ACharacterIsNeverSplitAndASingleLeadByteIsAByteOnItsOwn)
{
    // In code page 932, 0x95 0x5C and 0x83 0x5D are characters whose second byte is '\' or ']',
    // 0x81 0x40 is U+3000, and 0x93 opens a character whose second byte is never NUL, a line end
    // or nothing (a NUL reads as a space). A key keeps 511 characters, 1022 bytes here, and never
    // half of one.
    std::string longKey;
    for (int i = 0; i < 600; ++i) longKey += "\x93\xFA";
    const std::string text =
        Header + "[Sec\x83\x5D]\r\nKey=\x95\x5C\r\nNext=1\r\n[Strings]\r\nDesc=\"\x95\x5C\"\r\n[Test]\n" + longKey +
        "=x\nQ\"" + longKey + "\"=q\n" + "\x81\x40k\x81\x40=\x81\x40\x93\xFA\x81\x40\x93\xFA\x81\x40\nA=x\x93" + '\0' +
        "y\nB=x\x93\r\nC=z\n" + "\x83\x41=a\nE=%\x83\x61%\n[Strings]\n\x83\x41=s\n[Test]\nD=x\x93";
    ShiftJisCodePage japanese;
    const auto inf = InfFile::Parse(text, japanese);
    ASSERT_TRUE(inf);
    const std::tuple<std::string, std::string, std::optional<std::string>> reads[] = {
        {"Sec\x83\x5D", "Key", "\x95\x5C"},
        {"Sec\x83\x5D", "Next", "1"},
        {"Strings", "Desc", "\x95\x5C"},
        {"Test", longKey.substr(0, 1022), "x"},
        {"Test", longKey.substr(0, 1021), std::nullopt},
        {"Test", "Q" + longKey.substr(0, 1020), "q"}, // quoted, the same characters count
        {"Test", "k", "\x93\xFA\x81\x40\x93\xFA"},
        {"Test", "A", "x\x93 y"},
        {"Test", "B", "x\x93"},
        {"Test", "C", "z"},
        // A second byte that looks like a letter keeps its case.
        {"Test", "\x83\x41", "a"},
        {"Test", "\x83\x61", std::nullopt},
        {"Test", "E", "%\x83\x61%"},
        {"Test", "D", "x\x93"}};
    for (const auto& [section, key, value] : reads) EXPECT_EQ(Value(*inf, section, key.c_str()), value) << key;

    // A folder that ends in such a character keeps its second byte before a backslash.
    InfOpenOptions options;
    options.windowsFolder = "C:\\\x95\x5C";
    const auto folder = InfFile::Parse(Header + "[Test]\nk=%10%\\x\n", japanese, options);
    ASSERT_TRUE(folder);
    EXPECT_EQ(Value(*folder, "Test", "k"), "C:\\\x95\x5C\\x");
    // An ideographic space may lead an id, in the code page and in UTF-8.
    for (const std::string& bytes :
         {Header + "[Test]\nk=%\x81@10%\n", "\xEF\xBB\xBF" + Header + "[Test]\nk=%\xE3\x80\20010%\n"})
        EXPECT_EQ(Value(*InfFile::Parse(bytes, japanese, options), "Test", "k"), "C:\\\x95\x5C") << bytes;
    // A UTF-8 file's names are found by their names in the code page, of three bytes in UTF-8 too
    // (here 93 FA is U+53FA).
    const auto utf8 = InfFile::Parse("\xEF\xBB\xBF" + Header + "[\xE5\x8F\xBA]\n\xE5\x8F\xBA=v\n", japanese);
    EXPECT_EQ(Value(*utf8, "\x93\xFA", "\x93\xFA"), "v");
    // A file whose name ends in such a character has its folder up to the last true backslash.
    FakeFileSystem files;
    files.AddFile("C:\\P\\\x95\x5C.INF", Header + "[Test]\nk=%1%\n");
    EXPECT_EQ(Value(*InfFile::Open(files, japanese, "C:\\P\\\x95\x5C.INF"), "Test", "k"), "C:\\P\\");

    const auto plain = Parse(text); // a single-byte code page reads the same bytes as a continuation
    EXPECT_NE(Value(*plain, "Sec\x83", "Key"), std::nullopt);
    EXPECT_EQ(Value(*plain, "Sec\x83", "Next"), std::nullopt);
}
