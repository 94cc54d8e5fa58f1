#include "update/ui/AppUpdatePresenter.h"

#include <QCoreApplication>

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
        return QCoreApplication::translate("AppUpdatePresenter", "Idle.");
    case Kind::checking:
        return QCoreApplication::translate("AppUpdatePresenter", "Checking for an update…");
    case Kind::upToDate:
        return QCoreApplication::translate("AppUpdatePresenter", "Up to date.");
    case Kind::error:
        return QCoreApplication::translate("AppUpdatePresenter", "Couldn't check for updates.");
    case Kind::available:
        return QCoreApplication::translate("AppUpdatePresenter", "Update available: v%1.").arg(state.version);
    case Kind::downloading:
        return QCoreApplication::translate("AppUpdatePresenter", "Downloading v%1…").arg(state.version);
    case Kind::verifying:
        return QCoreApplication::translate("AppUpdatePresenter", "Verifying v%1's signature…").arg(state.version);
    case Kind::readyToInstall:
        return QCoreApplication::translate(
                   "AppUpdatePresenter", "v%1 is ready. Installing relaunches Kestrix -- any in-progress TARN firmware "
                                         "update should finish first.")
            .arg(state.version);
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
        return {QCoreApplication::translate("AppUpdatePresenter", "Check for Updates…"), Action::checkNow};
    case Kind::checking:
        return {QCoreApplication::translate("AppUpdatePresenter", "Checking for Updates…"), Action::none};
    case Kind::upToDate:
        return {QCoreApplication::translate("AppUpdatePresenter", "Check for Updates"), Action::checkNow};
    case Kind::error:
        return {QCoreApplication::translate("AppUpdatePresenter", "Couldn't Check for Updates, Retry"),
                Action::checkNow};
    case Kind::available:
        return {QCoreApplication::translate("AppUpdatePresenter", "Update Available: v%1").arg(state.version),
                Action::openWindowAndStartInstall};
    case Kind::downloading:
        return {QCoreApplication::translate("AppUpdatePresenter", "Downloading v%1…").arg(state.version), Action::none};
    case Kind::verifying:
        return {QCoreApplication::translate("AppUpdatePresenter", "Verifying v%1…").arg(state.version), Action::none};
    case Kind::readyToInstall:
        return {QCoreApplication::translate("AppUpdatePresenter", "v%1 Ready, Install and Relaunch").arg(state.version),
                Action::confirmInstall};
    case Kind::installFailed:
        if (!canRetry(state.error)) {
            return {message(state.error), Action::none};
        }
        return {QCoreApplication::translate("AppUpdatePresenter", "%1, Retry").arg(message(state.error)),
                Action::openWindowAndStartInstall};
    }
    return {};
}

} // namespace AppUpdatePresenter
