// The periphery of the setup dialog: the about box, the minimised icon, the logo's web link.
#include "app/AboutBox.h"

#include "resource_ids.h"

namespace {
constexpr std::string_view LinkPrefix = "http://www";
constexpr std::string_view LinkCommandVerb = "Explorer ";
constexpr std::size_t LinkCommandBufferWidth = 128;
} // namespace

bool IsAboutCommand(unsigned commandId)
{
    return (commandId & 0xFFF0u) == IDM_ABOUTBOX;
}

bool IsActiveLink(std::string_view linkText)
{
    return linkText.find(LinkPrefix) != std::string_view::npos;
}

std::optional<std::string> LinkCommand(std::string_view linkText)
{
    if (!IsActiveLink(linkText))
        return std::nullopt;
    std::string command(LinkCommandVerb);
    command.append(linkText);
    if (command.size() >= LinkCommandBufferWidth || command.find('\0') != std::string::npos)
        return std::nullopt;
    return command;
}

IconPlacement MinimisedIconPlacement(int clientWidth, int clientHeight, int iconWidth, int iconHeight)
{
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
