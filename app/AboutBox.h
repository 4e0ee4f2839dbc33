// The periphery of the setup dialog: the about box, the minimised icon, the logo's web link.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/TextCodePage.h"

// A system-menu command opens the about box when its identifier, masked with 0xFFF0, is 16.
bool IsAboutCommand(unsigned commandId);

// The logo is a web link only when the link text holds "http://www" somewhere.
bool IsActiveLink(std::string_view linkText);

// The command that opens the link ("C:\WINDOWS\explorer.exe" <link>, the Windows folder's own
// explorer.exe), or nothing when the logo is no link, there is no Windows folder, or the link
// is longer than "Explorer <link>" in a 128-character buffer allows.
std::optional<std::string> LinkCommand(const TextCodePage& codePage, std::string_view windowsFolder,
                                       std::string_view linkText);

struct IconPlacement {
    int x;
    int y;
};

// Where the icon is drawn, centred, while the dialog is minimised.
IconPlacement MinimisedIconPlacement(int clientWidth, int clientHeight, int iconWidth, int iconHeight);
