// A setup dialog that records everything done to it, in order, as one transcript.
#pragma once
#include <algorithm>
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
        {IDS_WIN98_ONLY, "This program is for Windows 98 only !"},
        {IDS_INSTRUCTION, "This program will install or uninstall #DEV_NAME# device driver for you."},
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
        {IDS_WAITING_FOR_OTHER_SETUP, "waiting for another setup..."},
        {IDS_DRIVER_NOT_REMOVED,
         "The driver could not be removed from the Windows folder. Uninstallation is not complete."},
        {IDS_INSTALL_COMPLETE, "Installation is complete. Please replug your device."},
        {IDS_FILES_NOT_PLACED,
         "The driver files could not be copied into the Windows folder. Installation is not complete."},
        {IDS_APP_TITLE, "NORVALE PocketVault Win98 Driver Setup Utility"},
        {IDS_DEVICE_NAME, "PocketVault"},
        {IDS_ABOUT_TEXT, "About text"},
        {IDS_LINK_TEXT, "no link"}};

    std::vector<std::string> transcript;
    std::function<void()> onDispatch; // for each message taken, as a click arriving while a job pumps
    int dispatchCount = 0;

    std::string LoadText(int id) override { return strings.count(id) ? strings[id] : ""; }
    void AddSystemMenuEntry(int id, const std::string& text) override { Record("menu", id, " " + text); }
    void SetDialogIcon() override { transcript.push_back("icon"); }
    void ShowLogo() override { transcript.push_back("logo"); }
    void SetCaption(const std::string& text) override { transcript.push_back("caption " + text); }
    void SetControlText(int id, const std::string& text) override { Record("text", id, " " + text); }
    void SetCheck(int id, bool checked) override { Record("check", id, checked ? " on" : " off"); }
    void FocusControl(int id) override { Record("focus", id); }
    void EnableControl(int id, bool enabled) override { Record("enable", id, enabled ? " on" : " off"); }
    void SetProgress(int position) override { Record("progress", position); }
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override
    {
        Record("message [" + caption + "] " + text + " flags", static_cast<int>(flags));
        return 1;
    }
    void DispatchOneMessage() override
    {
        ++dispatchCount;
        if (onDispatch)
            onDispatch();
    }
    void ShowDialog() override { transcript.push_back("show"); }
    void EndDialog(int result) override { Record("end", result); }

    void Record(const std::string& what, int number, const std::string& rest = "")
    {
        transcript.push_back(what + " " + std::to_string(number) + rest);
    }
    long Count(const std::string& line) const { return std::count(transcript.begin(), transcript.end(), line); }
    // The lines that start with prefix, without it, in order.
    std::vector<std::string> Lines(const std::string& prefix) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : transcript)
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line.substr(prefix.size()));
        return lines;
    }
    // The bar's positions, in the order they were set.
    std::vector<int> Progress() const
    {
        std::vector<int> positions;
        for (const std::string& position : Lines("progress ")) positions.push_back(std::stoi(position));
        return positions;
    }
};
