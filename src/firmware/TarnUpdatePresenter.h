#pragma once

#include "firmware/TarnUpdateState.h"

#include <QString>

#include <cstdint>
#include <optional>

// What the views of the firmware updater show, computed from its state only.
namespace TarnUpdatePresenter {

// The rows of the progress window, top to bottom.
struct ProgressWindow {
    QString title;
    QString statusText;
    bool statusIsError = false; // shown in red
    // The bar (sentBytes of totalBytes) and its caption: only while bytes are being sent.
    bool showsProgress = false;
    std::int64_t sentBytes = 0;
    std::int64_t totalBytes = 0;
    QString progressCaption;
    bool showsRetry = false; // after a failure that a new check may cure

    friend bool operator==(const ProgressWindow &, const ProgressWindow &) = default;
};

ProgressWindow progressWindow(const TarnUpdateState &state);
// What a screen reader calls the progress bar (its value is read out as a percentage beside it).
QString progressAccessibleName();
// The window of a run: its outcome while the updater keeps one (whatever a later check has made of
// the state meanwhile), else the state.
ProgressWindow progressWindow(const TarnUpdateState &state, const std::optional<TarnUpdateState> &runOutcome);

// The one sentence the progress window shows for a state.
QString statusText(const TarnUpdateState &state);

// The firmware item of the tray menu: plain text, or a button with its action.
struct MenuItem {
    enum class Action { none, checkForUpdate, startUpdate };
    QString text;
    Action action = Action::none;

    friend bool operator==(const MenuItem &, const MenuItem &) = default;
};

MenuItem menuItem(const TarnUpdateState &state);

// sentBytes x 100 / totalBytes in floating point, cut toward zero; 0 when totalBytes is below 1.
int transferPercent(std::int64_t sentBytes, std::int64_t totalBytes);

} // namespace TarnUpdatePresenter
