#pragma once

#include "device/DorvelDeviceManager.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "platform/sim/SimulatedHidBus.h"
#include "support/LocalHttpServer.h"
#include "support/TestTime.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>
#include <vector>

using namespace std::chrono_literals;

// One application side (bus, device manager, updater) and one simulated TARN device, with a
// release published on a local HTTP server under `prefix`. Time-outs are short but far above
// what a reply takes through the event loop, so only injected faults reach them.
struct FirmwareRig {
    static constexpr LocationID homePort = 0x14200000;

    FirmwareRig(LocalHttpServer &server, const QString &prefix,
                TarnFirmwareTransfer::Timings transferTimings = defaultTransferTimings())
        : http(server), manifestPath(prefix + QLatin1String(TarnFirmwareUpdater::manifestPath)),
          imagePath(prefix + QStringLiteral("/releases/tarn-rp2350/tarn.bin"))
    {
        device.config().rebootDelay = 5ms;
        manager = std::make_unique<DorvelDeviceManager>(bus, DorvelDeviceManager::Timings{.attachQueryTimeout = 1s,
                                                                                          .attachIdentityTimeout = 1s,
                                                                                          .ledRefreshTimeout = 1s,
                                                                                          .rebootIdentityDelay = 1ms,
                                                                                          .rebootIdentityTimeout = 1s});
        updater = std::make_unique<TarnFirmwareUpdater>(
            *manager, TarnFirmwareUpdater::Config{http.url(manifestPath), 2s, transferTimings});
        QObject::connect(updater.get(), &TarnFirmwareUpdater::stateChanged, updater.get(),
                         [this](const TarnUpdateState &state) { states.push_back(state); });
        device.onReportReceived = [this](ByteView report) {
            if (!report.empty() && report[0] == 0x03) {
                updateReports.emplace_back(report.begin(), report.end());
            }
        };
        manager->start();
    }
    ~FirmwareRig()
    {
        updater.reset();
        manager.reset();
    }

    static TarnFirmwareTransfer::Timings defaultTransferTimings()
    {
        using TestTime::scaled;
        return {.startTimeout = scaled(250ms),
                .chunkTimeout = scaled(250ms),
                .endTimeout = scaled(250ms),
                .abortTimeout = scaled(250ms),
                .rebootWait = scaled(600ms),
                .confirmTimeout = scaled(1s)};
    }

    void publish(const QString &version, const QByteArray &image, const QString &asset = QStringLiteral("tarn.bin"))
    {
        http.serve(manifestPath,
                   QJsonDocument(QJsonObject{{QStringLiteral("version"), version}, {QStringLiteral("asset"), asset}})
                       .toJson());
        http.serve(imagePath, image);
    }

    void plug() { bus.plug(device, homePort); }
    bool isAttached() const { return manager->isConnected() && manager->deviceID().has_value(); }

    // Starts a run from a fresh check; false when the check did not offer an update.
    bool startFromCheck()
    {
        QCoro::waitFor(updater->checkForUpdate());
        if (updater->state().kind != TarnUpdateState::Kind::updateAvailable) {
            return false;
        }
        states.clear();
        updateReports.clear();
        updater->startUpdate();
        return updater->isRunning();
    }

    // Runs the event loop until the run ends; false after `bound`. (QTest::qWaitFor sleeps between
    // its rounds, which would cost a chunk 10 ms.)
    bool waitForRunEnd(std::chrono::milliseconds bound = 10s)
    {
        if (!updater->isRunning()) {
            return true;
        }
        QEventLoop loop;
        QObject::connect(updater.get(), &TarnFirmwareUpdater::stateChanged, &loop, [&] {
            if (!updater->isRunning()) {
                loop.quit();
            }
        });
        QTimer::singleShot(bound, &loop, &QEventLoop::quit);
        loop.exec();
        return !updater->isRunning();
    }

    std::vector<std::uint16_t> chunkSequences() const
    {
        std::vector<std::uint16_t> sequences;
        for (const Bytes &r : updateReports) {
            if (r[1] == 0x01) {
                sequences.push_back(static_cast<std::uint16_t>(r[2] | (r[3] << 8)));
            }
        }
        return sequences;
    }
    bool abortWasLast() const { return !updateReports.empty() && updateReports.back()[1] == 0x03; }
    bool abortReceived() const
    {
        return std::any_of(updateReports.begin(), updateReports.end(), [](const Bytes &r) { return r[1] == 0x03; });
    }

    LocalHttpServer &http;
    QString manifestPath;
    QString imagePath;
    SimulatedHidBus bus;
    SimulatedDorvel device;
    std::unique_ptr<DorvelDeviceManager> manager;
    std::unique_ptr<TarnFirmwareUpdater> updater;
    std::vector<TarnUpdateState> states;
    std::vector<Bytes> updateReports;
};

inline QByteArray toByteArray(const Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}
