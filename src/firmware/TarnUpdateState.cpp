#include "firmware/TarnUpdateState.h"

#include <QCoreApplication>

TarnUpdateError TarnUpdateError::downloadFailed(DownloadError error)
{
    TarnUpdateError e(Kind::downloadFailed);
    e.download = std::move(error);
    return e;
}

TarnUpdateError TarnUpdateError::revertedByWatchdog(FirmwareVersion stillOn)
{
    TarnUpdateError e(Kind::revertedByWatchdog);
    e.stillOn = stillOn;
    return e;
}

QString TarnUpdateError::label() const
{
    switch (kind) {
    case Kind::downloadFailed:
        return QCoreApplication::translate("TarnUpdateError", "TARN Update Failed: Couldn't Download, Retry");
    case Kind::revertedByWatchdog:
        return QCoreApplication::translate("TarnUpdateError",
                                           "TARN Update Failed: Device Reverted, Still On Old Firmware, Retry");
    case Kind::imageTooLargeForProtocol:
        return QCoreApplication::translate("TarnUpdateError",
                                           "TARN Update Unavailable: Published Image Too Large for This Device");
    case Kind::deviceTooLarge:
        return QCoreApplication::translate("TarnUpdateError", "TARN Update Failed: Device Rejected Image Size, Retry");
    case Kind::deviceAlreadyActive:
        return QCoreApplication::translate("TarnUpdateError",
                                           "TARN Update Failed: Another Update Already In Progress, Retry");
    case Kind::deviceNoPartitionTable:
        return QCoreApplication::translate("TarnUpdateError",
                                           "TARN Update Unavailable: This Unit Needs a One-Time Manual Reflash");
    case Kind::deviceFlashWrite:
        return QCoreApplication::translate("TarnUpdateError", "TARN Update Failed: Device Flash Write Error, Retry");
    case Kind::deviceNotStarted:
        return QCoreApplication::translate("TarnUpdateError", "TARN Update Failed: Device Protocol Error, Retry");
    case Kind::transferDesynced:
        return QCoreApplication::translate("TarnUpdateError", "TARN Update Failed: Connection Desynced, Retry");
    case Kind::deviceStoppedResponding:
        return QCoreApplication::translate("TarnUpdateError", "TARN Update Failed: Device Stopped Responding, Retry");
    case Kind::checksumRejectedByDevice:
        return QCoreApplication::translate("TarnUpdateError",
                                           "TARN Update Failed: Checksum Rejected, Old Firmware Still Running, Retry");
    case Kind::reconnectTimeout:
        return QCoreApplication::translate("TarnUpdateError", "TARN Update: Device Hasn't Reconnected Yet, Retry");
    }
    return {};
}

bool TarnUpdateError::isRetryable() const
{
    return kind != Kind::imageTooLargeForProtocol && kind != Kind::deviceNoPartitionTable;
}

TarnUpdateState TarnUpdateState::checkingForUpdate()
{
    TarnUpdateState s;
    s.kind = Kind::checkingForUpdate;
    return s;
}

TarnUpdateState TarnUpdateState::upToDate(FirmwareVersion current)
{
    TarnUpdateState s;
    s.kind = Kind::upToDate;
    s.current = current;
    return s;
}

TarnUpdateState TarnUpdateState::updateAvailable(FirmwareVersion current, FirmwareVersion latest)
{
    TarnUpdateState s;
    s.kind = Kind::updateAvailable;
    s.current = current;
    s.latest = latest;
    return s;
}

TarnUpdateState TarnUpdateState::downloading(double progress)
{
    TarnUpdateState s;
    s.kind = Kind::downloading;
    s.progress = progress;
    return s;
}

TarnUpdateState TarnUpdateState::transferring(std::int64_t sentBytes, std::int64_t totalBytes)
{
    TarnUpdateState s;
    s.kind = Kind::transferring;
    s.sentBytes = sentBytes;
    s.totalBytes = totalBytes;
    return s;
}

TarnUpdateState TarnUpdateState::verifying()
{
    TarnUpdateState s;
    s.kind = Kind::verifying;
    return s;
}

TarnUpdateState TarnUpdateState::waitingForReboot()
{
    TarnUpdateState s;
    s.kind = Kind::waitingForReboot;
    return s;
}

TarnUpdateState TarnUpdateState::confirmingVersion()
{
    TarnUpdateState s;
    s.kind = Kind::confirmingVersion;
    return s;
}

TarnUpdateState TarnUpdateState::succeeded(FirmwareVersion version)
{
    TarnUpdateState s;
    s.kind = Kind::succeeded;
    s.version = version;
    return s;
}

TarnUpdateState TarnUpdateState::failed(TarnUpdateError error)
{
    TarnUpdateState s;
    s.kind = Kind::failed;
    s.error = std::move(error);
    return s;
}

bool TarnUpdateState::isUpdateInProgress() const
{
    switch (kind) {
    case Kind::downloading:
    case Kind::transferring:
    case Kind::verifying:
    case Kind::waitingForReboot:
    case Kind::confirmingVersion:
        return true;
    default:
        return false;
    }
}
