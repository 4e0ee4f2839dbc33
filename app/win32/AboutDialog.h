// The about box: the program's title, its about text and its icon.
#pragma once
#include <string>

#include "app/win32/DialogBase.h"

class AboutDialog : public DialogBase {
public:
    AboutDialog(std::string caption, std::string aboutText)
        : caption_(std::move(caption)), aboutText_(std::move(aboutText))
    {
    }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    BOOL OnInitDialog();

    std::string caption_;
    std::string aboutText_;
};
