#pragma once

#include "firmware/TarnFirmwareTransfer.h"
#include "firmware/TarnManifest.h"
#include "firmware/TarnUpdateState.h"
#include "util/HttpFetch.h"
#include "util/Result.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include <chrono>
#include <memory>

class DorvelDeviceManager;

// Keeps the firmware of a connected TARN (RP2350) device current: compares the version the device
// reports with the published manifest's, and on request downloads the image, transfers it over the
// device link and confirms the version the device comes back with. Its one published property,
// `state`, drives the menu's firmware item and the progress window. Main thread only; it must not
// be destroyed while a check or a run is in progress.
class TarnFirmwareUpdater : public QObject {
    Q_OBJECT
    Q_PROPERTY(TarnUpdateState state READ state NOTIFY stateChanged)
    Q_PROPERTY(std::optional<TarnUpdateState> runOutcome READ runOutcome NOTIFY runOutcomeChanged)

public:
    static constexpr char manifestPath[] = "/releases/tarn-rp2350/latest.json";
    // Manifests are a few lines; anything near this is not one.
    static constexpr std::int64_t largestManifest = std::int64_t{64} * 1024;

    struct Config {
        QUrl manifestURL = defaultManifestURL();
        std::chrono::milliseconds networkTimeout{60000}; // per request, while no bytes move
        TarnFirmwareTransfer::Timings transfer;
    };

    // The manager must outlive the updater.
    explicit TarnFirmwareUpdater(DorvelDeviceManager &hid, QObject *parent = nullptr);
    TarnFirmwareUpdater(DorvelDeviceManager &hid, Config config, QObject *parent = nullptr);
    ~TarnFirmwareUpdater() override;

    // The manifest under the update server's base URL ($KESTRIX_UPDATE_BASE_URL or the maker's).
    static QUrl defaultManifestURL();
    const QUrl &manifestURL() const { return m_config.manifestURL; }

    const TarnUpdateState &state() const { return m_state; }

    // Checks whether the connected device's firmware is current; never fails. Devices without a
    // query result or not RP2350-based leave the state idle without any network traffic; a manifest
    // that cannot be had or read also ends in idle. May replace any state, also that of a run.
    QCoro::Task<> checkForUpdate();

    // Starts a run when an update is available and no run is in progress; otherwise does nothing.
    // Returns at once; the run ends in succeeded or failed.
    void startUpdate();
    // A run started by startUpdate() has not ended yet (its manifest fetch included, during which
    // the state still reads updateAvailable).
    bool isRunning() const { return m_running; }

    // How the latest run ended (succeeded or failed), from its end until the next run starts or
    // dismissRunOutcome(). `state` moves on with any later check (a Dorvel plugged in during the run
    // is attached and checked as soon as the run lets go of the link); this stays, so the progress
    // window can tell the user who started the run how it went.
    const std::optional<TarnUpdateState> &runOutcome() const { return m_runOutcome; }
    // The user has seen the outcome and moved on (a retry from the progress window, or closing it).
    void dismissRunOutcome();

Q_SIGNALS:
    void stateChanged(const TarnUpdateState &state);
    void runOutcomeChanged();

private:
    // Why a run failed before its transfer could report anything itself.
    using RunError = std::variant<TarnUpdateError, TarnFirmwareTransfer::RequestError, DownloadError>;

    QCoro::Task<> performUpdate();
    QCoro::Task<Result<TarnManifest, DownloadError>> fetchManifest();
    QCoro::Task<Result<QByteArray, FetchError>> download(QUrl url);
    void setState(TarnUpdateState state);
    // Publishes a run's final state and keeps it as the run's outcome.
    void endRun(TarnUpdateState outcome);
    void setRunOutcome(std::optional<TarnUpdateState> outcome);
    static TarnUpdateError failureFor(const RunError &error);

    DorvelDeviceManager &m_hid;
    Config m_config;
    QNetworkAccessManager m_network;
    TarnUpdateState m_state;
    std::optional<TarnUpdateState> m_runOutcome;
    bool m_running = false;
    // Checks and runs hold this weakly and stop touching the updater once it is gone.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};
