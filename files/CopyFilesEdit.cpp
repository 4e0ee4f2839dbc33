// The edit of the placed INF copy: its install section stops copying files.
#include "files/CopyFilesEdit.h"

#include "files/FileSteps.h"
#include "text/Texts.h"

namespace {

// The edited file is written beside the copy and swapped in by renames, so a failed write or
// rename never leaves the copy half written. These names cannot be taken for INF files.
std::string SiblingName(const std::string& path, char lastCharacter)
{
    std::string sibling = path;
    sibling.back() = lastCharacter;
    return sibling;
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

bool CommentedOutCopyFiles(const std::string& bytes, std::string_view installSectionName, std::string& edited)
{
    // A UTF-16 file is searched through a view of one character per code unit, every unit
    // beyond ASCII standing as a byte that matches nothing, and gets a UTF-16 semicolon. Every
    // other file is searched byte for byte (UTF-8 included: the header and the directive are
    // ASCII). Either way the file's byte order mark and every other byte stay as they are.
    const bool utf16 = bytes.size() % 2 == 0 && bytes.compare(0, 2, "\xFF\xFE") == 0;
    std::string units;
    if (utf16) {
        units.reserve(bytes.size() / 2);
        for (std::size_t at = 0; at < bytes.size(); at += 2) {
            const unsigned unit = static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                              << 8;
            units += unit < 0x80 ? static_cast<char>(unit) : '\x80';
        }
    }
    const std::string upper = ToUpperAscii(utf16 ? units : bytes);
    const std::string header = ToUpperAscii("[" + std::string(installSectionName) + "]");
    const std::size_t headerAt = upper.find(header);
    if (headerAt == std::string::npos)
        return false;
    // From the end of the header: a section named Ex_CopyFiles must keep its own name.
    const std::size_t directiveAt = upper.find("COPYFILES", headerAt + header.size());
    if (directiveAt == std::string::npos)
        return false;
    const std::size_t insertAt = utf16 ? 2 * directiveAt : directiveAt;
    edited.reserve(bytes.size() + 2);
    edited.assign(bytes, 0, insertAt);
    edited += utf16 ? std::string(";\0", 2) : std::string(";");
    edited.append(bytes, insertAt);
    return true;
}

void CommentOutCopyFiles(FileSystem& files, const std::string& infPath, std::string_view installSectionName)
{
    std::string original;
    std::string edited;
    if (infPath.empty() || !files.ReadAll(infPath, original) || original.empty() ||
        !CommentedOutCopyFiles(original, installSectionName, edited))
        return;

    const std::string editedPath = SiblingName(infPath, '$');
    const std::string previousPath = SiblingName(infPath, '~');
    DeleteClearingAttributes(files, editedPath);
    DeleteClearingAttributes(files, previousPath);

    std::string written;
    if (!files.Copy(infPath, editedPath) || !files.SetNormalAttributes(editedPath) ||
        !files.Rewrite(editedPath, edited) || !files.ReadAll(editedPath, written) || written != edited) {
        DeleteClearingAttributes(files, editedPath);
        return;
    }
    if (!files.Move(infPath, previousPath)) {
        DeleteClearingAttributes(files, editedPath);
        return;
    }
    if (!files.Move(editedPath, infPath)) {
        files.Move(previousPath, infPath);
        DeleteClearingAttributes(files, editedPath);
        return;
    }
    DeleteClearingAttributes(files, previousPath);
}
