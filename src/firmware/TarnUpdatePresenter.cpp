#include "firmware/TarnUpdatePresenter.h"

#include <QCoreApplication>

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
        return QStringLiteral("Idle.");
    case K::checkingForUpdate:
        return QStringLiteral("Checking for an update…");
    case K::upToDate:
        return QStringLiteral("Up to date (") + v(state.current) + QStringLiteral(").");
    case K::updateAvailable:
        return QStringLiteral("Update available: ") + v(state.current) + QStringLiteral(" → ") + v(state.latest) +
               QStringLiteral(".");
    case K::downloading:
        return QStringLiteral("Downloading the firmware image…");
    case K::transferring:
        return QStringLiteral("Transferring to the device…");
    case K::verifying:
        return QStringLiteral("Verifying on the device (flash read-back check)…");
    case K::waitingForReboot:
        return QStringLiteral("Waiting for the device to reboot (up to 20 seconds)…");
    case K::confirmingVersion:
        return QStringLiteral("Confirming the new version…");
    case K::succeeded:
        return QStringLiteral("Succeeded. Now running ") + v(state.version) + QStringLiteral(".");
    case K::failed:
        return state.error ? state.error->label() : QString();
    }
    return {};
}

ProgressWindow progressWindow(const TarnUpdateState &state)
{
    ProgressWindow window;
    window.title = QStringLiteral("TARN Firmware Update");
    window.statusText = statusText(state);
    window.statusIsError = state.kind == TarnUpdateState::Kind::failed;
    if (state.kind == TarnUpdateState::Kind::transferring && state.totalBytes >= 1) {
        window.showsProgress = true;
        window.sentBytes = state.sentBytes;
        window.totalBytes = state.totalBytes;
        window.progressCaption = QString::number(state.sentBytes) + QStringLiteral(" / ") +
                                 QString::number(state.totalBytes) + QStringLiteral(" bytes");
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
        return {QStringLiteral("Check for TARN Update…"), A::checkForUpdate};
    case K::checkingForUpdate:
        return {QStringLiteral("Checking for TARN Update…"), A::none};
    case K::upToDate:
        return {QStringLiteral("Check for TARN Update (Up to Date, ") + v(state.current) + QStringLiteral(")"),
                A::checkForUpdate};
    case K::updateAvailable:
        return {QStringLiteral("TARN Update Available: ") + v(state.current) + QStringLiteral(" → ") + v(state.latest),
                A::startUpdate};
    case K::downloading:
        return {QStringLiteral("Downloading TARN Update…"), A::none};
    case K::transferring:
        return {QStringLiteral("Updating TARN Firmware… ") +
                    QString::number(transferPercent(state.sentBytes, state.totalBytes)) + QStringLiteral("%"),
                A::none};
    case K::verifying:
        return {QStringLiteral("Verifying TARN Update…"), A::none};
    case K::waitingForReboot:
        return {QStringLiteral("Rebooting Device (up to 20s)…"), A::none};
    case K::confirmingVersion:
        return {QStringLiteral("Confirming Update…"), A::none};
    case K::succeeded:
        return {QStringLiteral("TARN Update Succeeded: ") + v(state.version), A::none};
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
