// The edit of the placed INF copy: its install section stops copying files.
#include "files/CopyFilesEdit.h"

#include <iterator>

#include "files/FileSteps.h"
#include "package/InfText.h"

namespace {

// The edited file is written beside the copy and swapped in by renames, so a failed write or
// rename never leaves the copy half written. These names cannot be taken for INF files.
std::string SiblingName(const std::string& path, char lastCharacter)
{
    std::string sibling = path;
    sibling.back() = lastCharacter;
    return sibling;
}

// Where the first COPYFILES after the header stands, both compared with ASCII letters in any case.
template <typename Text>
std::size_t DirectiveAt(Text text, Text header)
{
    for (Text* each : {&text, &header})
        for (auto& c : *each)
            if (c >= 'a' && c <= 'z')
                c = static_cast<typename Text::value_type>(c - 'a' + 'A');
    const std::size_t headerAt = text.find(header);
    if (headerAt == Text::npos)
        return Text::npos;
    // From the end of the header: a section named Ex_CopyFiles must keep its own name.
    static constexpr char directive[] = "COPYFILES";
    return text.find(Text(std::begin(directive), std::end(directive) - 1), headerAt + header.size());
}

} // namespace

void RecoverCopyFilesEdit(FileSystem& files, const std::string& infPath)
{
    if (infPath.empty())
        return;
    const std::string editedPath = SiblingName(infPath, '$');
    const std::string previousPath = SiblingName(infPath, '~');
    // The saved copy is whole (it was the copy itself); the edited sibling may have been cut
    // short by the interruption, so it is never put in place.
    if (!Exists(files, infPath))
        files.Move(previousPath, infPath);
    DeleteClearingAttributes(files, editedPath);
    if (Exists(files, infPath))
        DeleteClearingAttributes(files, previousPath);
}

bool CommentedOutCopyFiles(const std::string& bytes, std::string_view installSectionName, TextCodePage& codePage,
                           std::string& edited)
{
    // The header is looked for in the file's own encoding: the code page's bytes, UTF-8 bytes
    // or UTF-16 code units. Either way the file's byte order mark and every other byte stay.
    const bool utf16 = bytes.size() % 2 == 0 && bytes.compare(0, 2, "\xFF\xFE") == 0;
    const bool utf8 = !utf16 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    const std::string header = "[" + std::string(installSectionName) + "]";
    std::size_t insertAt;
    if (utf16) {
        std::u16string units;
        units.reserve(bytes.size() / 2);
        for (std::size_t at = 0; at < bytes.size(); at += 2)
            units += static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                           static_cast<unsigned char>(bytes[at + 1]) << 8);
        const std::size_t directiveAt = DirectiveAt(std::move(units), codePage.ToUtf16(header));
        insertAt = directiveAt == std::u16string::npos ? std::string::npos : 2 * directiveAt;
    } else if (utf8) {
        std::u16string utf8Bytes; // one unit to a byte
        inf::AppendUtf16AsUtf8(codePage.ToUtf16(header), utf8Bytes);
        std::string utf8Header;
        for (const char16_t byte : utf8Bytes) utf8Header += static_cast<char>(byte);
        insertAt = DirectiveAt(bytes, std::move(utf8Header));
    } else {
        insertAt = DirectiveAt(bytes, header);
    }
    if (insertAt == std::string::npos)
        return false;
    edited.reserve(bytes.size() + 2);
    edited.assign(bytes, 0, insertAt);
    edited += utf16 ? std::string(";\0", 2) : std::string(";");
    edited.append(bytes, insertAt);
    return true;
}

bool CommentOutCopyFiles(FileSystem& files, TextCodePage& codePage, const std::string& infPath,
                         std::string_view installSectionName)
{
    std::string original;
    std::string edited;
    if (infPath.empty())
        return true;
    const std::string editedPath = SiblingName(infPath, '$');
    const std::string previousPath = SiblingName(infPath, '~');
    // A try whose swap and rename back were both refused left the copy under its saved name
    // only; siblings of an earlier try make way.
    RecoverCopyFilesEdit(files, infPath);
    if (!files.ReadAll(infPath, original)) // nothing placed to edit, or a copy that cannot be read now
        return !Exists(files, infPath) && !Exists(files, previousPath);
    if (original.empty() || !CommentedOutCopyFiles(original, installSectionName, codePage, edited))
        return true;

    std::string written;
    if (!files.Copy(infPath, editedPath) || !files.SetNormalAttributes(editedPath) ||
        !files.Rewrite(editedPath, edited) || !files.ReadAll(editedPath, written) || written != edited) {
        DeleteClearingAttributes(files, editedPath);
        return false;
    }
    if (!files.Move(infPath, previousPath)) {
        DeleteClearingAttributes(files, editedPath);
        return false;
    }
    if (!files.Move(editedPath, infPath)) {
        files.Move(previousPath, infPath);
        DeleteClearingAttributes(files, editedPath);
        return false;
    }
    DeleteClearingAttributes(files, previousPath);
    return true;
}
