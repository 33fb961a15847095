// The faces of the user interface that the windows talk to. A headless set
// turns them into log lines; tests use scripted ones.
#pragma once

#include "ui/kernel/InputWaiter.h"
#include "ui/present/AboutView.h"
#include "ui/present/FoldersDialog.h"
#include "ui/present/MenuView.h"
#include "ui/present/MessageBoxView.h"
#include "ui/present/ShellOpener.h"
#include "ui/present/TrayView.h"

struct Presenters {
    TrayView& tray;
    MenuView& menu;
    MessageBoxView& messageBox;
    AboutView& about;
    ShellOpener& shell;
    FoldersDialog& folders;
    // The desktop's way of waiting, when one runs on the UI thread.
    InputWaiter* waiter = nullptr;
};
