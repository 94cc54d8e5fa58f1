#pragma once

#include "update/AppUpdater.h"

#include <QString>

// What the update window and the menu show for the app updater, from its state alone.
namespace AppUpdatePresenter {

// Whether preparing the install again can end otherwise: not for a copy that cannot replace itself
// (one the package manager owns, or no bundle at all).
bool canRetry(AppUpdateError error);

// The update window's status sentence for a state.
QString statusText(const AppUpdater::State &state);

struct Progress {
    QString statusText;
    bool isError = false;            // the sentence is shown in red
    bool showsInstallButton = false; // "Install and Relaunch"
    bool showsCancelButton = false;  // "Cancel Download"
    bool showsRetryButton = false;   // "Retry", unless retrying cannot help
    bool showsBrowserButton = false; // "Open in Browser Instead"

    friend bool operator==(const Progress &, const Progress &) = default;
};
Progress progress(const AppUpdater::State &state);

// The menu's update entry: a button with its action, or (action none) a line of text.
struct MenuEntry {
    enum class Action { none, checkNow, openWindowAndStartInstall, confirmInstall };
    QString text;
    Action action = Action::none;

    friend bool operator==(const MenuEntry &, const MenuEntry &) = default;
};
MenuEntry menuEntry(const AppUpdater::State &state);

} // namespace AppUpdatePresenter
