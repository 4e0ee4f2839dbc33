// File steps the placement, the removal, the copy-file edit and the hiding share.
#pragma once
#include <string>

#include "platform/FileSystem.h"
#include "records/RunContext.h"

// Clears the file's attributes, then deletes it: a read-only file goes too. A file that is not
// there, or in use, is left as it is. Whether the delete worked.
bool DeleteClearingAttributes(FileSystem& files, const std::string& path);

// Whether the path names a file or folder, as a search finds it by its long name.
bool Exists(FileSystem& files, const std::string& path);
// A step on the system's files tried again for a few seconds while it is false: a rename, write or
// delete refused for a moment (a virus scanner reading the file, a driver still unloading) would
// otherwise leave a system file in the device start's way, the system without its file until our
// next run, the INF copy unedited, an old installed copy of ours, or the old driver in place. Ten
// tries half a second apart, the dialog answering meanwhile: a scanner's read of a file this small
// is over well within that, and a refusal that outlasts it is no passing one. Whether the step
// worked in the end.
template <typename Step>
bool RetryWhileRefused(RunContext& run, Step step)
{
    constexpr int attempts = 10, retryMilliseconds = 500;
    for (int attempt = 1; attempt < attempts; ++attempt) {
        if (step())
            return true;
        run.PumpMessages(retryMilliseconds);
    }
    return step();
}

// Whether a file stands at the path, for a check that must not take a search that failed for a
// file that is gone: a file that can be read stands there as well.
bool StandsThere(FileSystem& files, const std::string& path);
