// A property-sheet wizard: a top-level dialog whose first child is the current page (itself a
// dialog), with Next and Finish among its direct children.
#pragma once
#include <string>
#include <vector>

#include "device/WizardAutomation.h"
#include "fakes/FakeWindowSystem.h"

struct FakeWizard {
    FakeWindowSystem& windows;
    WindowHandle frame;
    WindowHandle next;
    WindowHandle finish;
    WindowHandle page = NoWindow;
    std::vector<std::string> pageTexts;
    std::size_t pageIndex = 0;

    FakeWizard(FakeWindowSystem& w, std::vector<std::string> texts) : windows(w), pageTexts(std::move(texts))
    {
        frame = windows.AddWindow(NoWindow, "#32770", "Found New Hardware Wizard");
        next = windows.AddWindow(frame, "Button", "&Next >", WizardNextButton);
        finish = windows.AddWindow(frame, "Button", "Finish", WizardFinishButton);
        windows.Window(finish).visible = false;
        ShowPage(0);
    }
    void ShowPage(std::size_t index)
    {
        if (page != NoWindow)
            windows.DestroyWindow(page);
        pageIndex = index;
        page = windows.AddWindow(frame, "#32770");
        windows.AddWindow(page, "Static", pageTexts[index]);
        windows.BringToTop(page);
        const bool last = index + 1 == pageTexts.size();
        windows.Window(next).enabled = !last;
        windows.Window(finish).visible = last;
    }
    // Next, while it is enabled, turns the page.
    void Take(WindowHandle window, std::uint32_t command)
    {
        if (window == frame && command == WizardNextButton && windows.Window(next).enabled)
            ShowPage(pageIndex + 1);
    }
};
