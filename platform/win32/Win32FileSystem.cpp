// The file system through Windows' ANSI file calls.
#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/Handles.h"

std::vector<std::string> Win32FileSystem::FindFiles(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    FindHandle search(FindFirstFileA(pattern.c_str(), &entry));
    if (!search)
        return names;
    do
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.emplace_back(entry.cFileName);
    while (FindNextFileA(search.Get(), &entry));
    return names;
}

bool Win32FileSystem::Copy(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool Win32FileSystem::Move(const std::string& from, const std::string& to)
{
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool Win32FileSystem::Remove(const std::string& path)
{
    return DeleteFileA(path.c_str()) != FALSE;
}

bool Win32FileSystem::SetNormalAttributes(const std::string& path)
{
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool Win32FileSystem::MakeDirectory(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::ReadAll(const std::string& path, std::string& bytes)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;

    // GetFileSizeEx is unknown to Windows 98: take the high part separately.
    DWORD sizeHigh = 0;
    DWORD size = GetFileSize(file.Get(), &sizeHigh);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return false;
    if (sizeHigh != 0 || size > MaxReadSize)
        return false;

    std::string contents(size, '\0');
    DWORD total = 0;
    while (total < size) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), &contents[total], size - total, &read, nullptr) || read == 0)
            return false;
        total += read;
    }
    bytes.swap(contents);
    return true;
}

bool Win32FileSystem::Rewrite(const std::string& path, const std::string& bytes)
{
    if (bytes.size() > MAXDWORD)
        return false;
    FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;

    DWORD size = static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (size > 0 && (!WriteFile(file.Get(), bytes.data(), size, &written, nullptr) || written != size))
        return false;
    return SetEndOfFile(file.Get()) != FALSE;
}
