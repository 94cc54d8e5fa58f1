#include "update/ui/AppUpdatePresenter.h"

namespace AppUpdatePresenter {

using Kind = AppUpdater::State::Kind;

bool canRetry(AppUpdateError error)
{
    return error != AppUpdateError::bundleNotReplaceable;
}

QString statusText(const AppUpdater::State &state)
{
    switch (state.kind) {
    case Kind::idle:
        return QStringLiteral("Idle.");
    case Kind::checking:
        return QStringLiteral("Checking for an update…");
    case Kind::upToDate:
        return QStringLiteral("Up to date.");
    case Kind::error:
        return QStringLiteral("Couldn't check for updates.");
    case Kind::available:
        return QStringLiteral("Update available: v") + state.version + QLatin1Char('.');
    case Kind::downloading:
        return QStringLiteral("Downloading v") + state.version + QStringLiteral("…");
    case Kind::verifying:
        return QStringLiteral("Verifying v") + state.version + QStringLiteral("'s signature…");
    case Kind::readyToInstall:
        return QLatin1Char('v') + state.version +
               QStringLiteral(" is ready. Installing relaunches Kestrix -- any in-progress TARN firmware update "
                              "should finish first.");
    case Kind::installFailed:
        return message(state.error);
    }
    return {};
}

Progress progress(const AppUpdater::State &state)
{
    Progress out;
    out.statusText = statusText(state);
    out.isError = state.kind == Kind::error || state.kind == Kind::installFailed;
    out.showsInstallButton = state.kind == Kind::readyToInstall;
    out.showsCancelButton = state.kind == Kind::downloading;
    out.showsBrowserButton = state.kind == Kind::installFailed;
    out.showsRetryButton = out.showsBrowserButton && canRetry(state.error);
    return out;
}

MenuEntry menuEntry(const AppUpdater::State &state)
{
    using Action = MenuEntry::Action;
    switch (state.kind) {
    case Kind::idle:
        return {QStringLiteral("Check for Updates…"), Action::checkNow};
    case Kind::checking:
        return {QStringLiteral("Checking for Updates…"), Action::none};
    case Kind::upToDate:
        return {QStringLiteral("Check for Updates"), Action::checkNow};
    case Kind::error:
        return {QStringLiteral("Couldn't Check for Updates, Retry"), Action::checkNow};
    case Kind::available:
        return {QStringLiteral("Update Available: v") + state.version, Action::openWindowAndStartInstall};
    case Kind::downloading:
        return {QStringLiteral("Downloading v") + state.version + QStringLiteral("…"), Action::none};
    case Kind::verifying:
        return {QStringLiteral("Verifying v") + state.version + QStringLiteral("…"), Action::none};
    case Kind::readyToInstall:
        return {QLatin1Char('v') + state.version + QStringLiteral(" Ready, Install and Relaunch"),
                Action::confirmInstall};
    case Kind::installFailed:
        if (!canRetry(state.error)) {
            return {message(state.error), Action::none};
        }
        return {message(state.error) + QStringLiteral(", Retry"), Action::openWindowAndStartInstall};
    }
    return {};
}

} // namespace AppUpdatePresenter
