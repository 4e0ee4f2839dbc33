// A setup dialog that records everything done to it, in order, as one transcript.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/SetupView.h"
#include "resource_ids.h"

class FakeView : public SetupView {
public:
    // The English rows the tests rely on; a test may change or remove rows.
    std::map<int, std::string> strings = {
        {IDS_ABOUT, "About "},
        {IDS_INSTRUCTION, "This program will install or uninstall #DEV_NAME# device driver for you."},
        {IDS_WIN98_ONLY, "This program is for Windows 98 only !"},
        {IDS_INSTALLING, "installing..."},
        {IDS_REMOVING_DEVICE, "removing device if present..."},
        {IDS_UNINSTALL_COMPLETE, "Uninstallation is complete."},
        {IDS_INF_NOT_FOUND, "INF file not found !"},
        {IDS_SYS_NOT_FOUND, "SYS(SY_) file not found !"},
        {IDS_MPD_NOT_FOUND, "MPD file not found !"},
        {IDS_SELECT_INSTALL_UNINSTALL, "Select Install/Uninstall"},
        {IDS_INSTALL_OR_UPDATE, "Install or update driver"},
        {IDS_UNINSTALL, "Uninstall driver"},
        {IDS_START, "Start"},
        {IDS_EXIT, "Exit"},
        {IDS_INSTALL_COMPLETE, "Installation is complete. Please replug your device."},
        {IDS_APP_TITLE, "NORVALE PocketVault Win98 Driver Setup Utility"},
        {IDS_DEVICE_NAME, "PocketVault"},
        {IDS_ABOUT_TEXT, "About text"},
        {IDS_LINK_TEXT, "no link"},
    };

    std::vector<std::string> transcript;
    // Called for each message taken from the queue, so a test can simulate a click arriving
    // while a job pumps messages.
    std::function<void()> onDispatch;
    int dispatchCount = 0;
    int messageBoxResult = 1;

    std::string LoadText(int stringId) override
    {
        auto row = strings.find(stringId);
        return row == strings.end() ? std::string() : row->second;
    }
    void AddSystemMenuEntry(int commandId, const std::string& text) override
    {
        Record("menu " + std::to_string(commandId) + " " + text);
    }
    void SetDialogIcon() override { Record("icon"); }
    void ShowLogo() override { Record("logo"); }
    void SetCaption(const std::string& text) override { Record("caption " + text); }
    void SetControlText(int controlId, const std::string& text) override
    {
        Record("text " + std::to_string(controlId) + " " + text);
    }
    void SetCheck(int controlId, bool checked) override
    {
        Record("check " + std::to_string(controlId) + (checked ? " on" : " off"));
    }
    void FocusControl(int controlId) override { Record("focus " + std::to_string(controlId)); }
    void EnableControl(int controlId, bool enabled) override
    {
        Record("enable " + std::to_string(controlId) + (enabled ? " on" : " off"));
    }
    void SetProgress(int position) override { Record("progress " + std::to_string(position)); }
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override
    {
        Record("message [" + caption + "] " + text + " flags " + std::to_string(flags));
        return messageBoxResult;
    }
    void DispatchOneMessage() override
    {
        ++dispatchCount;
        if (onDispatch)
            onDispatch();
    }
    void ShowDialog() override { Record("show"); }
    void EndDialog(int result) override { Record("end " + std::to_string(result)); }

    void Record(const std::string& line) { transcript.push_back(line); }

    // The bar's positions, in the order they were set.
    std::vector<int> Progress() const
    {
        std::vector<int> positions;
        for (const std::string& line : transcript) {
            if (line.rfind("progress ", 0) == 0)
                positions.push_back(std::stoi(line.substr(9)));
        }
        return positions;
    }
};
