// The periphery of the setup dialog: the about box, the minimised icon, the logo's web link.
#pragma once
#include <optional>
#include <string>
#include <string_view>

// A system-menu command opens the about box when its identifier, masked with 0xFFF0, is 16.
bool IsAboutCommand(unsigned commandId);

// The logo is a web link only when the link text holds "http://www" somewhere.
bool IsActiveLink(std::string_view linkText);

// The command that opens the link ("Explorer <link>"), or nothing when the logo is no link
// or the command would not fit its 128-character buffer.
std::optional<std::string> LinkCommand(std::string_view linkText);

struct IconPlacement {
    int x;
    int y;
};

// Where the icon is drawn, centred, while the dialog is minimised.
IconPlacement MinimisedIconPlacement(int clientWidth, int clientHeight, int iconWidth, int iconHeight);
