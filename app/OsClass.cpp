// Classification of the running system.
#include "app/OsClass.h"

OsClass ClassOfVersion(const SystemVersion& version)
{
    if (version.Major == 4) {
        if (version.Minor == 90)
            return OsClass::WindowsMe;
        if (version.Minor != 10)
            return OsClass::Unsupported;
        // The 98 family puts the major and minor version in the build number's high word.
        const unsigned build = version.Build & 0xFFFFu;
        if (build < 1998)
            return OsClass::Unsupported;
        if (build < 2222)
            return OsClass::Windows98;
        if (build < 3000)
            return OsClass::Windows98SecondEdition;
        return OsClass::WindowsMe;
    }
    if (version.Major == 5) {
        if (version.Minor == 0)
            return OsClass::Windows2000;
        if (version.Minor == 1)
            return OsClass::WindowsXp;
    }
    return OsClass::Unsupported;
}

OsClass ClassifyOs(SystemInfo& system)
{
    SystemVersion version;
    if (!system.QueryVersion(version))
        return OsClass::Unsupported;
    return ClassOfVersion(version);
}
