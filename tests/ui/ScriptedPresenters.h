// Presenters that record what the windows show and answer as a test tells
// them, for driving the user interface without a desktop.
#pragma once

#include "ui/kernel/Messages.h"
#include "ui/present/Presenters.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace uitest {

class ScriptedTray final : public TrayView {
  public:
    bool AddIcon(const TrayIconData& data) override {
        added.push_back(data);
        if (onAdd)
            onAdd(data);
        return true;
    }
    bool ModifyIcon(const TrayIconData& data) override {
        modified.push_back(data);
        return true;
    }
    bool ShowBalloon(const BalloonData& balloon) override {
        balloons.push_back(balloon);
        return true;
    }
    bool DeleteIcon(WindowHandle, uint32_t) override {
        ++deleted;
        return true;
    }
    void SetMenu(const PopupMenu& menu, const MessageTarget&) override { menus.push_back(menu); }
    // Every icon the tray was given, added or changed, in order.
    std::vector<const IconImage*> IconHistory() const {
        std::vector<const IconImage*> icons;
        for (const TrayIconData& data : added)
            icons.push_back(data.icon);
        for (const TrayIconData& data : modified)
            icons.push_back(data.icon);
        return icons;
    }

    std::vector<TrayIconData> added;
    std::vector<TrayIconData> modified;
    std::vector<BalloonData> balloons;
    std::vector<PopupMenu> menus;
    int deleted = 0;
    std::function<void(const TrayIconData&)> onAdd;
};

class ScriptedMenu final : public MenuView {
  public:
    void TrackPopup(const PopupMenu& menu, const MessageTarget& owner) override {
        shown.push_back(menu);
        if (choose)
            owner.Post(WM_COMMAND, *choose);
    }
    std::vector<PopupMenu> shown;
    std::optional<uint16_t> choose;
};

class ScriptedMessageBox final : public MessageBoxView {
  public:
    void Show(const MessageBoxRequest& request, std::function<void(int)> answer) override {
        shown.push_back(request);
        int button = IDOK;
        if (!answers.empty()) {
            button = answers.front();
            answers.pop_front();
        }
        answer(button);
    }
    std::vector<MessageBoxRequest> shown;
    std::deque<int> answers;
};

class ScriptedAbout final : public AboutView {
  public:
    void Show(const AboutContent& content, const MessageTarget& dialog) override {
        ++shows;
        text = content.text;
        if (onShow)
            onShow(dialog);
    }
    void Raise() override { ++raises; }
    void Hide() override { ++hides; }

    int shows = 0;
    int raises = 0;
    int hides = 0;
    std::wstring text;
    std::function<void(const MessageTarget&)> onShow;
};

class ScriptedShell final : public ShellOpener {
  public:
    bool Open(const std::wstring& target) override {
        opened.push_back(target);
        return true;
    }
    bool Run(const std::wstring& program) override {
        ran.push_back(program);
        return true;
    }
    std::vector<std::wstring> opened;
    std::vector<std::wstring> ran;
};

class ScriptedFolders final : public FoldersDialog {
  public:
    int Run(MessageLoop& loop, std::vector<std::wstring>* folders) override {
        ++runs;
        if (whileOpen)
            whileOpen(loop);
        if (edit)
            edit(folders);
        return result;
    }
    void Raise() override { ++raises; }

    int runs = 0;
    int raises = 0;
    int result = IDOK;
    std::function<void(std::vector<std::wstring>*)> edit;
    std::function<void(MessageLoop&)> whileOpen;
};

struct ScriptedUi {
    ScriptedTray tray;
    ScriptedMenu menu;
    ScriptedMessageBox messageBox;
    ScriptedAbout about;
    ScriptedShell shell;
    ScriptedFolders folders;
    Presenters presenters{tray, menu, messageBox, about, shell, folders};
};

} // namespace uitest
