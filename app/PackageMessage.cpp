// The message of an unusable driver package.
#include "app/PackageMessage.h"

bool ShowPackageMessage(RunContext& run, const PackageReadResult& result)
{
    if (result.messageId != 0)
        run.ShowMessage(result.messageId, MessageStop);
    else if (result.messageText)
        run.ShowMessageText(result.messageText, MessageStop);
    return result.usable;
}
