// The firmware updater against the simulated device on the in-process bus and a local HTTP server:
// checks, whole runs of every size that matters, each device and network fault, and who may use
// the device link while a run holds it.
#include "FirmwareTestSupport.h"
#include "device/Dorvel.h"
#include "support/DeviceTestSupport.h"
#include "support/TestMain.h"

#include <functional>

using Kind = TarnUpdateState::Kind;
using EKind = TarnUpdateError::Kind;
using ChunkFault = SimulatedDorvel::ChunkFault;
using ReplyFault = SimulatedDorvel::ReplyFault;

namespace {

QByteArray manifest(const char *version, const char *asset = "tarn.bin")
{
    return QJsonDocument(QJsonObject{{QStringLiteral("version"), QString::fromLatin1(version)},
                                     {QStringLiteral("asset"), QString::fromLatin1(asset)}})
        .toJson();
}

// JSON followed by spaces up to `size` bytes, which a reader skips.
QByteArray padded(QByteArray json, qsizetype size)
{
    json.append(size - json.size(), ' ');
    return json;
}

QByteArray image(std::size_t size, FirmwareVersion version = {1, 4, 0})
{
    return toByteArray(SimulatedDorvel::makeFirmwareImage(version, size, static_cast<std::uint32_t>(size)));
}

// A device fault and what the run must end in.
struct DeviceCase {
    std::string name;
    std::function<void(SimulatedDorvel &)> setup;
    std::optional<EKind> failure; // none: succeeded
    bool abortReaches;            // the device receives the abort report
    FirmwareVersion imageVersion{1, 4, 0};
    std::size_t imageSize = 140; // five chunks
};

std::vector<DeviceCase> deviceCases()
{
    using S = UpdateStatus;
    std::vector<DeviceCase> cases = {
        {"two time-outs, then ok",
         [](auto &d) {
             d.updateFaults.chunks.push_back({ChunkFault::Kind::ignore, 1, 2});
         },
         std::nullopt, false},
        {"three time-outs",
         [](auto &d) {
             d.updateFaults.chunks.push_back({ChunkFault::Kind::ignore, 1, 3});
         },
         EKind::deviceStoppedResponding, true},
        {"lost acknowledgement",
         [](auto &d) {
             d.updateFaults.chunks.push_back({ChunkFault::Kind::loseAcknowledgement, 2});
         },
         std::nullopt, false},
        {"lost acknowledgement of the last chunk",
         [](auto &d) {
             d.updateFaults.chunks.push_back({ChunkFault::Kind::loseAcknowledgement, 4});
         },
         std::nullopt, false},
        {"badSequence two ahead",
         [](auto &d) {
             d.updateFaults.chunks.push_back({ChunkFault::Kind::forceStatus, 1, 1, S::badSequence, 2});
         },
         EKind::transferDesynced, true},
        {"badSequence one ahead, nothing lost",
         [](auto &d) {
             d.updateFaults.chunks.push_back({ChunkFault::Kind::forceStatus, 1, 1, S::badSequence, 1});
         },
         EKind::transferDesynced, true},
        {"badSequence not ahead",
         [](auto &d) {
             d.updateFaults.chunks.push_back({ChunkFault::Kind::forceStatus, 1, 1, S::badSequence, 0});
         },
         EKind::transferDesynced, true},
        {"start unanswered",
         [](auto &d) {
             d.addFault({ReplyFault::Kind::drop, 1, std::uint8_t(0x03), 0});
         },
         EKind::deviceStoppedResponding, true},
        {"end unanswered",
         [](auto &d) {
             // Six replies (start, five chunks) pass untouched, the seventh is lost.
             d.addFault({ReplyFault::Kind::truncate, 6, std::uint8_t(0x03), 32});
             d.addFault({ReplyFault::Kind::drop, 1, std::uint8_t(0x03), 0});
         },
         // The device reboots while the run waits for that reply: the run fails as it goes, with no
         // device left to send the abort report to.
         EKind::deviceStoppedResponding, false},
        {"reply too short",
         [](auto &d) {
             d.addFault({ReplyFault::Kind::truncate, 1, std::uint8_t(0x03), 4});
         },
         EKind::deviceStoppedResponding, true},
        {"unplugged mid-transfer",
         [](auto &d) {
             d.updateFaults.chunks.push_back({ChunkFault::Kind::unplug, 2});
         },
         EKind::deviceStoppedResponding, false},
        {"never back", [](auto &d) { d.updateFaults.afterReboot = SimulatedDorvel::UpdateFaults::AfterReboot::never; },
         EKind::reconnectTimeout, false},
        {"back at another location",
         [](auto &d) { d.updateFaults.afterReboot = SimulatedDorvel::UpdateFaults::AfterReboot::otherLocation; },
         EKind::reconnectTimeout, false},
        {"reverted by the watchdog", [](auto &) {}, EKind::revertedByWatchdog, false, {1, 4, 0}, 6},
        {"back newer than published", [](auto &) {}, std::nullopt, false, {1, 5, 0}},
        {"no partition table", [](auto &d) { d.config().hasPartitionTable = false; }, EKind::deviceNoPartitionTable,
         true},
        {"image larger than its flash", [](auto &d) { d.config().flashCapacity = 100; }, EKind::deviceTooLarge, true},
    };
    // Every status on every report: its error, then the abort report.
    const char *names[] = {"ok",         "tooLarge", "badSequence",     "crcMismatch", "flashWriteFailed",
                           "notStarted", "busy",     "noPartitionTable"};
    for (S status : allCases<S>()) {
        if (status == S::ok) {
            continue;
        }
        const std::string name = names[rawValue(status)];
        const EKind error = TarnFirmwareTransfer::errorFor(status)->kind;
        cases.push_back({"start " + name, [status](auto &d) { d.updateFaults.startStatus = status; }, error, true});
        cases.push_back({"end " + name, [status](auto &d) { d.updateFaults.endStatus = status; }, error, true});
        if (status != S::badSequence) {
            cases.push_back({"chunk " + name,
                             [status](auto &d) {
                                 d.updateFaults.chunks.push_back({ChunkFault::Kind::forceStatus, 3, 1, status});
                             },
                             error, true});
        }
    }
    return cases;
}

} // namespace

class FirmwareUpdateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LocalHttpServer> http;
    std::unique_ptr<FirmwareRig> rig;

    bool runEnded(std::chrono::milliseconds bound = 10s) { return rig->waitForRunEnd(TestTime::scaled(bound)); }

private Q_SLOTS:
    void initTestCase()
    {
        http = std::make_unique<LocalHttpServer>();
        QVERIFY(http->isListening());
    }
    void init() { rig = std::make_unique<FirmwareRig>(*http, QString()); }
    void cleanup()
    {
        rig.reset();
        http->releaseAll(); // a test that failed while holding a path must not hold up the next
    }

    void checkComparesDeviceAndManifest_data()
    {
        QTest::addColumn<int>("platform");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<TarnUpdateState>("expected");
        QTest::addColumn<bool>("asksNetwork");
        const int rp2350 = int(HardwarePlatform::rp2350);
        QTest::newRow("same") << rp2350 << QStringLiteral("1.2.3") << manifest("1.2.3")
                              << TarnUpdateState::upToDate({1, 2, 3}) << true;
        QTest::newRow("minor 10 is newer than 2") << rp2350 << QStringLiteral("1.2.3") << manifest("1.10.0")
                                                  << TarnUpdateState::updateAvailable({1, 2, 3}, {1, 10, 0}) << true;
        QTest::newRow("device newer") << rp2350 << QStringLiteral("2.0.0") << manifest("1.9.9")
                                      << TarnUpdateState::upToDate({2, 0, 0}) << true;
        QTest::newRow("two numbers") << rp2350 << QStringLiteral("1.2.3") << manifest("1.2") << TarnUpdateState::idle()
                                     << true;
        QTest::newRow("not a manifest") << rp2350 << QStringLiteral("1.2.3") << QByteArray("<html/>")
                                        << TarnUpdateState::idle() << true;
        // A manifest is at most 64 KiB; a server sending more is not read to the end.
        QTest::newRow("64 KiB") << rp2350 << QStringLiteral("1.2.3") << padded(manifest("1.3.0"), 64 * 1024)
                                << TarnUpdateState::updateAvailable({1, 2, 3}, {1, 3, 0}) << true;
        QTest::newRow("past 64 KiB") << rp2350 << QStringLiteral("1.2.3") << padded(manifest("1.3.0"), 64 * 1024 + 1)
                                     << TarnUpdateState::idle() << true;
        QTest::newRow("rp2040") << int(HardwarePlatform::rp2040) << QStringLiteral("1.2.3") << manifest("9.9.9")
                                << TarnUpdateState::idle() << false;
        QTest::newRow("not queried") << -1 << QString() << manifest("9.9.9") << TarnUpdateState::idle() << false;
    }
    void checkComparesDeviceAndManifest()
    {
        QFETCH(int, platform);
        QFETCH(QString, device);
        QFETCH(QByteArray, manifest);
        QFETCH(TarnUpdateState, expected);
        QFETCH(bool, asksNetwork);
        http->serve(rig->manifestPath, manifest);
        if (platform >= 0) {
            rig->device.config().platform = HardwarePlatform(platform);
            rig->device.config().version = *FirmwareVersion::fromString(device.toStdString());
            rig->plug();
            KESTRIX_WAIT_FOR(rig->isAttached());
        }
        const int requestsBefore = http->requestCount(rig->manifestPath);
        QCoro::waitFor(rig->updater->checkForUpdate());
        QCOMPARE(rig->updater->state(), expected);
        QCOMPARE(http->requestCount(rig->manifestPath) - requestsBefore, asksNetwork ? 1 : 0);
    }

    void unreachableOrSlowManifestLeavesCheckIdle()
    {
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        http->remove(rig->manifestPath);
        QCoro::waitFor(rig->updater->checkForUpdate());
        QCOMPARE(rig->updater->state(), TarnUpdateState::idle());

        TarnFirmwareUpdater slow(*rig->manager, {http->url(rig->manifestPath), 100ms, {}});
        http->serve(rig->manifestPath, {manifest("9.0.0"), 200, 3s});
        QCoro::waitFor(slow.checkForUpdate());
        QCOMPARE(slow.state(), TarnUpdateState::idle());
    }

    void startUpdateOnlyFromUpdateAvailableAndOnce()
    {
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        rig->updater->startUpdate(); // idle
        QVERIFY(!rig->updater->isRunning());
        rig->publish(QStringLiteral("1.0.0"), image(56));
        QCoro::waitFor(rig->updater->checkForUpdate());
        rig->updater->startUpdate(); // upToDate
        QVERIFY(!rig->updater->isRunning());

        rig->publish(QStringLiteral("1.4.0"), image(56));
        const int imageRequests = http->requestCount(rig->imagePath); // the server serves every function
        QVERIFY(rig->startFromCheck());
        QCOMPARE(rig->updater->state().kind, Kind::updateAvailable); // fetching its own manifest
        rig->updater->startUpdate();
        QVERIFY(runEnded());
        QCOMPARE(rig->updater->state(), TarnUpdateState::succeeded({1, 4, 0}));
        QCOMPARE(http->requestCount(rig->imagePath) - imageRequests, 1);
        rig->updater->startUpdate(); // succeeded
        QVERIFY(!rig->updater->isRunning());
    }

    void imageSizes_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {0, 1, 27, 28, 29, 1835007, 1835008, 1835009}) {
            QTest::addRow("%d bytes", size) << size;
        }
    }
    void imageSizes()
    {
        QFETCH(int, size);
        const auto n = static_cast<std::size_t>(size);
        const QByteArray body = image(n);
        rig->publish(QStringLiteral("1.4.0"), body);
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        QVERIFY(rig->startFromCheck());
        QVERIFY(runEnded(120s));
        const auto &states = rig->states;
        QCOMPARE(states.front(), TarnUpdateState::downloading(0));

        if (n > TarnFirmwareTransfer::largestImage) {
            QCOMPARE(rig->updater->state(), TarnUpdateState::failed(EKind::imageTooLargeForProtocol));
            QVERIFY(rig->updateReports.empty()); // not even the abort report
            QCOMPARE(states.size(), std::size_t(2));
            return;
        }
        const Bytes bytes(body.begin(), body.end());
        QCOMPARE(rig->updateReports.front(), Dorvel::buildUpdateStartReport(size, Dorvel::crc32(bytes)));
        const std::size_t chunks = (n + 27) / 28;
        const auto sequences = rig->chunkSequences();
        QCOMPARE(sequences.size(), chunks);
        for (std::size_t i = 0; i < chunks; ++i) {
            QCOMPARE(sequences[i], static_cast<std::uint16_t>(i));
        }
        QCOMPARE(rig->updateReports.back()[1], std::uint8_t(0x02));
        if (n == 29) {
            const Bytes last = rig->updateReports[2];
            QCOMPARE(last[4], bytes[28]);
            QVERIFY(std::all_of(last.begin() + 5, last.end(), [](std::uint8_t b) { return b == 0; }));
            QCOMPARE(states[1], TarnUpdateState::transferring(28, 29));
            QCOMPARE(states[2], TarnUpdateState::transferring(29, 29));
        }
        // downloading, one transferring per chunk, then the end of the run.
        QCOMPARE(states.size(), 1 + chunks + 4);
        QCOMPARE(states[chunks + 1], TarnUpdateState::verifying());
        QCOMPARE(states[chunks + 2], TarnUpdateState::waitingForReboot());
        QCOMPARE(states[chunks + 3], TarnUpdateState::confirmingVersion());
        // Images shorter than the simulated header do not boot.
        const TarnUpdateState expected = n >= SimulatedDorvel::imageHeaderLength
                                             ? TarnUpdateState::succeeded({1, 4, 0})
                                             : TarnUpdateState::failed(TarnUpdateError::revertedByWatchdog({1, 0, 0}));
        QCOMPARE(rig->updater->state(), expected);
        QVERIFY(!rig->abortReceived());
    }

    void deviceFaults_data()
    {
        QTest::addColumn<int>("index");
        const auto cases = deviceCases();
        for (std::size_t i = 0; i < cases.size(); ++i) {
            QTest::addRow("%s", cases[i].name.c_str()) << int(i);
        }
    }
    void deviceFaults()
    {
        QFETCH(int, index);
        const DeviceCase c = deviceCases()[std::size_t(index)];
        c.setup(rig->device);
        rig->publish(QStringLiteral("1.4.0"), image(c.imageSize, c.imageVersion));
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        QVERIFY(rig->startFromCheck());
        QVERIFY(runEnded());
        const TarnUpdateState &state = rig->updater->state();
        if (!c.failure) {
            QCOMPARE(state, TarnUpdateState::succeeded(c.imageVersion));
            QCOMPARE(rig->manager->lastQuery()->version, c.imageVersion);
        } else if (*c.failure == EKind::revertedByWatchdog) {
            QCOMPARE(state, TarnUpdateState::failed(TarnUpdateError::revertedByWatchdog({1, 0, 0})));
        } else {
            QCOMPARE(state, TarnUpdateState::failed(*c.failure));
        }
        if (c.failure) {
            rig->updater->startUpdate(); // a failure is retried through a new check only
            QVERIFY(!rig->updater->isRunning());
        }
        QCOMPARE(rig->abortReceived(), c.abortReaches);
        if (c.abortReaches) {
            QVERIFY(rig->abortWasLast()); // and no traffic after it
        }
        if (c.name == "two time-outs, then ok") {
            QCOMPARE(rig->chunkSequences(), (std::vector<std::uint16_t>{0, 1, 1, 1, 2, 3, 4}));
        } else if (c.name == "lost acknowledgement") {
            QCOMPARE(rig->chunkSequences(), (std::vector<std::uint16_t>{0, 1, 2, 2, 3, 4}));
            QCOMPARE(rig->device.receivedImage(), SimulatedDorvel::makeFirmwareImage({1, 4, 0}, 140, 140));
        }
    }

    void networkFaults_data()
    {
        QTest::addColumn<QByteArray>("runManifest");
        QTest::addColumn<int>("imageStatus");
        QTest::addColumn<int>("imageDelayMs");
        QTest::addColumn<int>("truncateAfter");
        QTest::addColumn<int>("download"); // DownloadError::Kind
        QTest::addColumn<bool>("abort");
        const int network = int(DownloadError::Kind::network);
        const int badURL = int(DownloadError::Kind::badURL);
        QTest::newRow("manifest gone") << QByteArray() << 200 << 0 << -1 << network << true;
        QTest::newRow("manifest broken") << QByteArray("{") << 200 << 0 << -1 << int(DownloadError::Kind::badManifest)
                                         << true;
        QTest::newRow("image missing") << manifest("1.4.0") << 404 << 0 << -1 << network << true;
        QTest::newRow("image cut short") << manifest("1.4.0") << 200 << 0 << 50 << network << true;
        QTest::newRow("image too slow") << manifest("1.4.0") << 200 << 3000 << -1 << network << true;
        QTest::newRow("asset a local file")
            << manifest("1.4.0", "file:///etc/passwd") << 200 << 0 << -1 << badURL << false;
        QTest::newRow("version unusable") << manifest("1.4") << 200 << 0 << -1 << badURL << false;
    }
    void networkFaults()
    {
        QFETCH(QByteArray, runManifest);
        QFETCH(int, imageStatus);
        QFETCH(int, imageDelayMs);
        QFETCH(int, truncateAfter);
        QFETCH(int, download);
        QFETCH(bool, abort);
        rig = std::make_unique<FirmwareRig>(*http, QStringLiteral("/net"));
        rig->updater = std::make_unique<TarnFirmwareUpdater>(
            *rig->manager,
            TarnFirmwareUpdater::Config{http->url(rig->manifestPath), 300ms, FirmwareRig::defaultTransferTimings()});
        rig->publish(QStringLiteral("1.4.0"), image(140));
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        QCoro::waitFor(rig->updater->checkForUpdate());
        QCOMPARE(rig->updater->state().kind, Kind::updateAvailable);
        // The run fetches the manifest again and sees these.
        if (runManifest.isEmpty()) {
            http->remove(rig->manifestPath);
        } else {
            http->serve(rig->manifestPath, runManifest);
        }
        std::optional<qsizetype> cut;
        if (truncateAfter >= 0) {
            cut = truncateAfter;
        }
        http->serve(rig->imagePath, {image(140), imageStatus, std::chrono::milliseconds(imageDelayMs), cut});
        rig->updater->startUpdate();
        QVERIFY(runEnded());
        const TarnUpdateState &state = rig->updater->state();
        QCOMPARE(state.kind, Kind::failed);
        QCOMPARE(state.error->kind, EKind::downloadFailed);
        QCOMPARE(int(state.error->download.kind), download);
        QCOMPARE(rig->abortReceived(), abort);
        // Nothing but the abort report ever reaches the device.
        QCOMPARE(rig->updateReports.size(), abort ? std::size_t(1) : std::size_t(0));
    }

    void absoluteAssetIsUsedUnchanged()
    {
        const QString elsewhere = QStringLiteral("/cdn/fw-1.4.0.bin");
        http->serve(rig->manifestPath, manifest("1.4.0", qPrintable(http->url(elsewhere).toString())));
        http->serve(elsewhere, image(100));
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        QVERIFY(rig->startFromCheck());
        QVERIFY(runEnded());
        QCOMPARE(rig->updater->state(), TarnUpdateState::succeeded({1, 4, 0}));
        QCOMPARE(http->requestCount(elsewhere), 1);
    }

    // The run takes the link at update-start: while the image downloads (however slowly) the
    // device answers everybody.
    void deviceStaysUsableWhileTheImageDownloads()
    {
        // The held download must not end by the network time-out first, however slow the machine.
        rig->updater = std::make_unique<TarnFirmwareUpdater>(
            *rig->manager,
            TarnFirmwareUpdater::Config{http->url(rig->manifestPath), 60s, FirmwareRig::defaultTransferTimings()});
        rig->publish(QStringLiteral("1.4.0"), image(140));
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        http->hold(rig->imagePath);
        const int before = http->requestCount(rig->imagePath);
        QVERIFY(rig->startFromCheck());
        KESTRIX_WAIT_FOR(http->requestCount(rig->imagePath) == before + 1);
        QCOMPARE(rig->updater->state().kind, Kind::downloading);
        QVERIFY(!rig->manager->isLinkExclusive());
        QVERIFY(QCoro::waitFor(rig->manager->queryDevice(1s)).ok());
        http->release(rig->imagePath);
        QVERIFY(runEnded());
        QCOMPARE(rig->updater->state(), TarnUpdateState::succeeded({1, 4, 0}));
    }

    // A device back at another port is not the run's: it is attached only once the run has failed
    // and let go of the link, with the whole attach sequence: state, identity, and the callback that
    // starts the check.
    void attachQueriesKeptOutByARunRunAfterIt()
    {
        rig->device.updateFaults.afterReboot = SimulatedDorvel::UpdateFaults::AfterReboot::otherLocation;
        rig->publish(QStringLiteral("1.4.0"), image(140));
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        int queried = 0;
        rig->manager->onDeviceQueried = [&](const DeviceQueryResponse &) {
            ++queried;
        };
        QVERIFY(rig->startFromCheck());
        QVERIFY(runEnded());
        QCOMPARE(rig->updater->state(), TarnUpdateState::failed(EKind::reconnectTimeout));
        KESTRIX_WAIT_FOR(rig->manager->currentLocationID() == rig->device.updateFaults.otherLocation);
        KESTRIX_WAIT_FOR(rig->manager->deviceID().has_value());
        QCOMPARE(rig->manager->lastQuery()->version, (FirmwareVersion{1, 4, 0}));
        QCOMPARE(queried, 1);
    }

    // An updater destroyed while its request is on the way ends that request, and the check
    // awaiting it, at once; nothing stays suspended.
    void destroyingTheUpdaterEndsItsRequests()
    {
        rig->publish(QStringLiteral("1.4.0"), image(140));
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        http->hold(rig->manifestPath);
        const int before = http->requestCount(rig->manifestPath);
        auto check = rig->updater->checkForUpdate();
        KESTRIX_WAIT_FOR(http->requestCount(rig->manifestPath) == before + 1);
        rig->updater.reset();
        KESTRIX_WAIT_FOR(check.isReady());
        http->release(rig->manifestPath);
    }

    // While a run holds the link, other requests fail at once and cannot displace it; the reboot's
    // attach sends no state query of its own, and the run publishes the confirmed state instead.
    void runOwnsTheLink()
    {
        rig->device.replyLatency = 2ms;
        rig->publish(QStringLiteral("1.4.0"), image(28 * 40));
        rig->plug();
        KESTRIX_WAIT_FOR(rig->isAttached());
        int queried = 0;
        rig->manager->onDeviceQueried = [&](const DeviceQueryResponse &) {
            ++queried;
        };
        QVERIFY(rig->startFromCheck());
        KESTRIX_WAIT_FOR(rig->updater->state().kind == Kind::transferring);
        auto view = rig->manager->queryDevice(1s);
        QVERIFY(view.isReady());
        QCOMPARE(QCoro::waitFor(view).error(), DorvelDeviceManager::RequestError::notConnected);
        const std::vector<Bytes> green{Dorvel::ledEnabledReport(true), Dorvel::ledColorReport(85, 255, 200)};
        rig->manager->updateLEDState(green);
        QVERIFY(runEnded());
        QCOMPARE(rig->updater->state(), TarnUpdateState::succeeded({1, 4, 0}));
        QCOMPARE(rig->device.led().hue, 85); // kept back during the run, written once it let go
        QCOMPARE(queried, 0);
        QCOMPARE(rig->manager->lastQuery()->version, (FirmwareVersion{1, 4, 0}));
        QVERIFY(rig->manager->deviceID().has_value());
        QVERIFY(!rig->manager->isLinkExclusive());
        QVERIFY(QCoro::waitFor(rig->manager->queryDevice(1s)).ok());
    }
};

QTEST_GUILESS_MAIN(FirmwareUpdateTest)
#include "tst_firmwareupdate.moc"
