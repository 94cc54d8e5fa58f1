#pragma once

#include "device/FirmwareVersion.h"

#include <QMetaType>
#include <QString>

#include <cstdint>
#include <optional>

// Why the manifest or the image of a firmware update could not be had: what `downloadFailed`
// wraps. The detail is the network stack's own message, for diagnostics; users see the label of
// the error that wraps it.
struct DownloadError {
    enum class Kind : std::uint8_t {
        badURL,      // the manifest's asset or version is unusable, or a URL is not http(s)
        network,     // the request failed: transport, HTTP error status, time-out
        badManifest, // the manifest body is not the JSON object it must be
    };
    Kind kind = Kind::network;
    QString detail;

    friend bool operator==(const DownloadError &, const DownloadError &) = default;
};

// How a firmware update run failed. Every case has the text the user sees for it.
struct TarnUpdateError {
    enum class Kind : std::uint8_t {
        downloadFailed,
        revertedByWatchdog,
        imageTooLargeForProtocol,
        deviceTooLarge,
        deviceAlreadyActive,
        deviceNoPartitionTable,
        deviceFlashWrite,
        deviceNotStarted,
        transferDesynced,
        deviceStoppedResponding,
        checksumRejectedByDevice,
        reconnectTimeout,
    };

    Kind kind = Kind::deviceStoppedResponding;
    DownloadError download;    // downloadFailed: the underlying error
    FirmwareVersion stillOn{}; // revertedByWatchdog: the version the device came back with

    TarnUpdateError() = default;
    // Implicit, so that the cases without a value read as plain enumerators.
    TarnUpdateError(Kind k) : kind(k) {}
    static TarnUpdateError downloadFailed(DownloadError error);
    static TarnUpdateError revertedByWatchdog(FirmwareVersion stillOn);

    // The text shown in the menu and the progress window.
    QString label() const;
    // False for the two "Unavailable" errors: retrying cannot help, so no retry is offered.
    bool isRetryable() const;

    friend bool operator==(const TarnUpdateError &, const TarnUpdateError &) = default;
};

// What the firmware updater is doing, with the values the views show for it. Only the fields of
// the current kind are set; the others keep their defaults, so equal states compare equal.
struct TarnUpdateState {
    enum class Kind : std::uint8_t {
        idle,              // nothing known, or the last check did not complete
        checkingForUpdate, // fetching the manifest
        upToDate,          // current
        updateAvailable,   // current, latest
        downloading,       // progress (always 0)
        transferring,      // sentBytes of totalBytes
        verifying,         // the device checks what it wrote
        waitingForReboot,
        confirmingVersion,
        succeeded, // version
        failed,    // error
    };

    Kind kind = Kind::idle;
    FirmwareVersion current{};
    FirmwareVersion latest{};
    FirmwareVersion version{};
    double progress = 0;
    std::int64_t sentBytes = 0;
    std::int64_t totalBytes = 0;
    std::optional<TarnUpdateError> error;

    static TarnUpdateState idle() { return {}; }
    static TarnUpdateState checkingForUpdate();
    static TarnUpdateState upToDate(FirmwareVersion current);
    static TarnUpdateState updateAvailable(FirmwareVersion current, FirmwareVersion latest);
    static TarnUpdateState downloading(double progress);
    static TarnUpdateState transferring(std::int64_t sentBytes, std::int64_t totalBytes);
    static TarnUpdateState verifying();
    static TarnUpdateState waitingForReboot();
    static TarnUpdateState confirmingVersion();
    static TarnUpdateState succeeded(FirmwareVersion version);
    static TarnUpdateState failed(TarnUpdateError error);

    // A run is past its manifest and has not ended: the menu opens the progress window for it and
    // asks before quitting.
    bool isUpdateInProgress() const;

    friend bool operator==(const TarnUpdateState &, const TarnUpdateState &) = default;
};

Q_DECLARE_METATYPE(TarnUpdateState)
Q_DECLARE_METATYPE(std::optional<TarnUpdateState>)
