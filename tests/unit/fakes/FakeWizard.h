// A property-sheet wizard: a top-level dialog whose first child is the current page (itself a
// dialog), with Next and Finish among its direct children. Next, while enabled, turns the page.
#pragma once
#include <string>
#include <vector>

#include "device/WizardAutomation.h"
#include "fakes/FakeWindowSystem.h"

struct FakeWizard {
    FakeWindowSystem& windows;
    std::vector<std::string> pageTexts;
    WindowHandle frame = windows.AddWindow(NoWindow, "#32770", "Found New Hardware Wizard");
    WindowHandle next = windows.AddWindow(frame, "Button", "&Next >", WizardNextButton);
    WindowHandle finish = windows.AddWindow(frame, "Button", "Finish", WizardFinishButton);
    WindowHandle page = NoWindow;
    std::size_t pageIndex = 0;

    // The wizard takes the commands sent through the window system.
    FakeWizard(FakeWindowSystem& w, std::vector<std::string> texts) : windows(w), pageTexts(std::move(texts))
    {
        ShowPage(0);
        windows.onCommand = [this](WindowHandle window, std::uint32_t command) { Take(window, command); };
    }
    void ShowPage(std::size_t index)
    {
        if (page != NoWindow)
            windows.DestroyWindow(page);
        pageIndex = index;
        page = windows.AddWindow(frame, "#32770", "", 0, true);
        windows.AddWindow(page, "Static", pageTexts[index]);
        windows.Window(next).enabled = index + 1 < pageTexts.size();
        windows.Window(finish).visible = index + 1 == pageTexts.size();
    }
    void Take(WindowHandle window, std::uint32_t command)
    {
        if (window == frame && command == WizardNextButton && windows.Window(next).enabled)
            ShowPage(pageIndex + 1);
    }
};
