// The fake windows are found, read and commanded the way the Windows calls do it.
#include <gtest/gtest.h>

#include "fakes/FakeWindowSystem.h"

namespace {

const WindowClass DialogByAtom{FakeWindowSystem::DialogAtom, ""};
const WindowClass DialogByName{0, "#32770"};
const WindowClass AnyClass{};

} // namespace

TEST(FakeWindowSystemTest, SearchGoesOnAfterTheGivenSiblingByAtomOrName)
{
    FakeWindowSystem windows;
    WindowHandle first = windows.AddWindow(NoWindow, "#32770", "Other dialog");
    windows.AddWindow(NoWindow, "Notepad", "Untitled");
    WindowHandle wizard = windows.AddWindow(NoWindow, "#32770", "Found New Hardware Wizard");
    WindowHandle page = windows.AddWindow(wizard, "#32770", "page");
    WindowHandle next = windows.AddWindow(wizard, "Button", "&Next >", 0x3024);

    EXPECT_EQ(windows.FindWindowAfter(NoWindow, NoWindow, DialogByAtom), first);
    EXPECT_EQ(windows.FindWindowAfter(NoWindow, first, DialogByAtom), wizard);
    EXPECT_EQ(windows.FindWindowAfter(NoWindow, first, DialogByName), wizard);
    EXPECT_EQ(windows.FindWindowAfter(NoWindow, wizard, DialogByAtom), NoWindow);
    EXPECT_EQ(windows.FindWindowAfter(wizard, NoWindow, AnyClass), page);
    EXPECT_EQ(windows.FindWindowAfter(wizard, page, WindowClass{0, "button"}), next);
    // A sibling that is not a child of the parent ends the search.
    EXPECT_EQ(windows.FindWindowAfter(wizard, first, AnyClass), NoWindow);
}

TEST(FakeWindowSystemTest, TextIsCutToOneLessThanTheCountAndHiddenParentsHideChildren)
{
    FakeWindowSystem windows;
    WindowHandle dialog = windows.AddWindow(NoWindow, "#32770", "Example USB Disk");
    WindowHandle button = windows.AddWindow(dialog, "Button", "Finish", 0x3025);

    EXPECT_EQ(windows.ReadWindowText(dialog, 8), "Example");
    EXPECT_EQ(windows.ReadWindowText(dialog, 255), "Example USB Disk");
    EXPECT_EQ(windows.ReadWindowText(dialog, 0), "");
    EXPECT_EQ(windows.ControlId(button), 0x3025);

    windows.Window(dialog).visible = false;
    EXPECT_FALSE(windows.IsVisible(button));
    EXPECT_TRUE(windows.IsEnabled(button));
}

TEST(FakeWindowSystemTest, CommandCanTurnTheWizardsPage)
{
    FakeWindowSystem windows;
    WindowHandle wizard = windows.AddWindow(NoWindow, "#32770", "Wizard");
    WindowHandle firstPage = windows.AddWindow(wizard, "#32770", "Welcome");
    windows.AddWindow(wizard, "Button", "Next", 0x3024);
    windows.onCommand = [&](WindowHandle window, std::uint32_t wParam, std::intptr_t) {
        if (window == wizard && (wParam & 0xFFFF) == 0x3024) {
            windows.DestroyWindow(windows.FindWindowAfter(wizard, NoWindow, AnyClass));
            windows.BringToTop(windows.AddWindow(wizard, "#32770", "Installing"));
        }
    };

    windows.SendCommand(wizard, 0x3024, 0);
    WindowHandle shown = windows.FindWindowAfter(wizard, NoWindow, AnyClass);

    EXPECT_NE(shown, firstPage);
    EXPECT_EQ(windows.ReadWindowText(shown, 256), "Installing");
    EXPECT_EQ(windows.log, std::vector<std::string>{"command 12324 to Wizard"});
}
