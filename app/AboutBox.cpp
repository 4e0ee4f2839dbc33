// The periphery of the setup dialog: the about box, the minimised icon, the logo's web link.
#include "app/AboutBox.h"

#include "text/Paths.h"
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

std::optional<std::string> LinkCommand(const TextCodePage& codePage, std::string_view windowsFolder,
                                       std::string_view linkText)
{
    std::string explorer;
    if (!IsActiveLink(linkText) || windowsFolder.empty() ||
        !JoinPath(codePage, windowsFolder, "explorer.exe", explorer))
        return std::nullopt;
    // The link keeps the room it always had: "Explorer " and the link in 128 characters.
    if (LinkCommandVerb.size() + linkText.size() >= LinkCommandBufferWidth ||
        linkText.find('\0') != std::string_view::npos)
        return std::nullopt;
    // By its full path: a bare "Explorer" is searched for in the program's own folder first,
    // where anyone who can write beside Setup.exe could place one.
    return "\"" + explorer + "\" " + std::string(linkText);
}

IconPlacement MinimisedIconPlacement(int clientWidth, int clientHeight, int iconWidth, int iconHeight)
{
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
