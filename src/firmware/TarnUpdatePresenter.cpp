#include "firmware/TarnUpdatePresenter.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>

namespace TarnUpdatePresenter {

namespace {
QString v(const FirmwareVersion &version)
{
    return QStringLiteral("v") + QString::fromStdString(version.description());
}
} // namespace

int transferPercent(std::int64_t sentBytes, std::int64_t totalBytes)
{
    if (totalBytes < 1) {
        return 0;
    }
    return static_cast<int>(static_cast<double>(sentBytes) * 100.0 / static_cast<double>(totalBytes));
}

QString statusText(const TarnUpdateState &state)
{
    using K = TarnUpdateState::Kind;
    switch (state.kind) {
    case K::idle:
        return QCoreApplication::translate("TarnUpdatePresenter", "Idle.");
    case K::checkingForUpdate:
        return QCoreApplication::translate("TarnUpdatePresenter", "Checking for an update…");
    case K::upToDate:
        return QCoreApplication::translate("TarnUpdatePresenter", "Up to date (%1).").arg(v(state.current));
    case K::updateAvailable:
        return QCoreApplication::translate("TarnUpdatePresenter", "Update available: %1 → %2.")
            .arg(v(state.current), v(state.latest));
    case K::downloading:
        return QCoreApplication::translate("TarnUpdatePresenter", "Downloading the firmware image…");
    case K::transferring:
        return QCoreApplication::translate("TarnUpdatePresenter", "Transferring to the device…");
    case K::verifying:
        return QCoreApplication::translate("TarnUpdatePresenter", "Verifying on the device (flash read-back check)…");
    case K::waitingForReboot:
        return QCoreApplication::translate("TarnUpdatePresenter",
                                           "Waiting for the device to reboot (up to %n seconds)…", nullptr, 20);
    case K::confirmingVersion:
        return QCoreApplication::translate("TarnUpdatePresenter", "Confirming the new version…");
    case K::succeeded:
        return QCoreApplication::translate("TarnUpdatePresenter", "Succeeded. Now running %1.").arg(v(state.version));
    case K::failed:
        return state.error ? state.error->label() : QString();
    }
    return {};
}

ProgressWindow progressWindow(const TarnUpdateState &state)
{
    ProgressWindow window;
    window.title = QCoreApplication::translate("TarnUpdatePresenter", "TARN Firmware Update");
    window.statusText = statusText(state);
    window.statusIsError = state.kind == TarnUpdateState::Kind::failed;
    if (state.kind == TarnUpdateState::Kind::transferring && state.totalBytes >= 1) {
        window.showsProgress = true;
        window.sentBytes = state.sentBytes;
        window.totalBytes = state.totalBytes;
        // The count picks the plural form only; images stay far below INT_MAX bytes.
        const auto count = static_cast<int>(std::min<std::int64_t>(state.totalBytes, INT_MAX));
        window.progressCaption =
            QCoreApplication::translate("TarnUpdatePresenter", "%1 / %n bytes", nullptr, count).arg(state.sentBytes);
    }
    window.showsRetry = state.kind == TarnUpdateState::Kind::failed && state.error && state.error->isRetryable();
    return window;
}

ProgressWindow progressWindow(const TarnUpdateState &state, const std::optional<TarnUpdateState> &runOutcome)
{
    return progressWindow(runOutcome ? *runOutcome : state);
}

MenuItem menuItem(const TarnUpdateState &state)
{
    using K = TarnUpdateState::Kind;
    using A = MenuItem::Action;
    switch (state.kind) {
    case K::idle:
        return {QCoreApplication::translate("TarnUpdatePresenter", "Check for TARN Update…"), A::checkForUpdate};
    case K::checkingForUpdate:
        return {QCoreApplication::translate("TarnUpdatePresenter", "Checking for TARN Update…"), A::none};
    case K::upToDate:
        return {QCoreApplication::translate("TarnUpdatePresenter", "Check for TARN Update (Up to Date, %1)")
                    .arg(v(state.current)),
                A::checkForUpdate};
    case K::updateAvailable:
        return {QCoreApplication::translate("TarnUpdatePresenter", "TARN Update Available: %1 → %2")
                    .arg(v(state.current), v(state.latest)),
                A::startUpdate};
    case K::downloading:
        return {QCoreApplication::translate("TarnUpdatePresenter", "Downloading TARN Update…"), A::none};
    case K::transferring:
        return {QCoreApplication::translate("TarnUpdatePresenter", "Updating TARN Firmware… %1%")
                    .arg(transferPercent(state.sentBytes, state.totalBytes)),
                A::none};
    case K::verifying:
        return {QCoreApplication::translate("TarnUpdatePresenter", "Verifying TARN Update…"), A::none};
    case K::waitingForReboot:
        return {QCoreApplication::translate("TarnUpdatePresenter", "Rebooting Device (up to %1s)…").arg(20), A::none};
    case K::confirmingVersion:
        return {QCoreApplication::translate("TarnUpdatePresenter", "Confirming Update…"), A::none};
    case K::succeeded:
        return {QCoreApplication::translate("TarnUpdatePresenter", "TARN Update Succeeded: %1").arg(v(state.version)),
                A::none};
    case K::failed:
        if (!state.error) {
            return {};
        }
        return {state.error->label(), state.error->isRetryable() ? A::checkForUpdate : A::none};
    }
    return {};
}

} // namespace TarnUpdatePresenter

QString TarnUpdatePresenter::progressAccessibleName()
{
    return QCoreApplication::translate("TarnUpdatePresenter", "Firmware transfer");
}
