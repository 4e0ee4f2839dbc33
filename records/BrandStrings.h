// The four texts that brand the program.
#pragma once
#include <string>

// Loaded from the string table; the first three possibly replaced by the package.
struct BrandStrings {
    std::string AppTitle;
    // What #DEV_NAME# stands for: the package's SetupDeviceDesc where it fits, else the string
    // table's name. Not the model line's description, which only the new-hardware wizard shows.
    std::string DeviceName;
    std::string AboutText;
    std::string LinkText;
};
