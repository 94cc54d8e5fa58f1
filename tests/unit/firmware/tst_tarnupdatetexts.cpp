// What the firmware updater's views show for each state, the error labels, and how the release
// manifest is read and its asset resolved.
#include "firmware/TarnFirmwareTransfer.h"
#include "firmware/TarnManifest.h"
#include "firmware/TarnUpdatePresenter.h"
#include "firmware/TarnUpdateState.h"
#include "support/TestMain.h"
#include "util/UpdateServer.h"

#include <QScopeGuard>

using State = TarnUpdateState;
using Error = TarnUpdateError;
using EKind = TarnUpdateError::Kind;
using Action = TarnUpdatePresenter::MenuItem::Action;

class TarnUpdateTextsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sentencesAndMenuItems_data()
    {
        QTest::addColumn<TarnUpdateState>("state");
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("inProgress");
        QTest::addColumn<bool>("error");
        const FirmwareVersion v123{1, 2, 3};
        const FirmwareVersion v1100{1, 10, 0};
        QTest::newRow("idle") << State::idle() << QStringLiteral("Idle.") << QStringLiteral("Check for TARN Update…")
                              << int(Action::checkForUpdate) << false << false;
        QTest::newRow("checking") << State::checkingForUpdate() << QStringLiteral("Checking for an update…")
                                  << QStringLiteral("Checking for TARN Update…") << int(Action::none) << false << false;
        QTest::newRow("up to date") << State::upToDate(v123) << QStringLiteral("Up to date (v1.2.3).")
                                    << QStringLiteral("Check for TARN Update (Up to Date, v1.2.3)")
                                    << int(Action::checkForUpdate) << false << false;
        QTest::newRow("available") << State::updateAvailable(v123, v1100)
                                   << QStringLiteral("Update available: v1.2.3 → v1.10.0.")
                                   << QStringLiteral("TARN Update Available: v1.2.3 → v1.10.0")
                                   << int(Action::startUpdate) << false << false;
        QTest::newRow("downloading") << State::downloading(0) << QStringLiteral("Downloading the firmware image…")
                                     << QStringLiteral("Downloading TARN Update…") << int(Action::none) << true
                                     << false;
        QTest::newRow("transferring") << State::transferring(1000, 3000)
                                      << QStringLiteral("Transferring to the device…")
                                      << QStringLiteral("Updating TARN Firmware… 33%") << int(Action::none) << true
                                      << false;
        QTest::newRow("nothing to send") << State::transferring(0, 0) << QStringLiteral("Transferring to the device…")
                                         << QStringLiteral("Updating TARN Firmware… 0%") << int(Action::none) << true
                                         << false;
        QTest::newRow("verifying") << State::verifying()
                                   << QStringLiteral("Verifying on the device (flash read-back check)…")
                                   << QStringLiteral("Verifying TARN Update…") << int(Action::none) << true << false;
        QTest::newRow("rebooting") << State::waitingForReboot()
                                   << QStringLiteral("Waiting for the device to reboot (up to 20 seconds)…")
                                   << QStringLiteral("Rebooting Device (up to 20s)…") << int(Action::none) << true
                                   << false;
        QTest::newRow("confirming") << State::confirmingVersion() << QStringLiteral("Confirming the new version…")
                                    << QStringLiteral("Confirming Update…") << int(Action::none) << true << false;
        QTest::newRow("succeeded") << State::succeeded({1, 4, 0}) << QStringLiteral("Succeeded. Now running v1.4.0.")
                                   << QStringLiteral("TARN Update Succeeded: v1.4.0") << int(Action::none) << false
                                   << false;
        QTest::newRow("failed, final")
            << State::failed(EKind::imageTooLargeForProtocol)
            << QStringLiteral("TARN Update Unavailable: Published Image Too Large for This Device")
            << QStringLiteral("TARN Update Unavailable: Published Image Too Large for This Device") << int(Action::none)
            << false << true;
        QTest::newRow("failed, retry") << State::failed(EKind::transferDesynced)
                                       << QStringLiteral("TARN Update Failed: Connection Desynced, Retry")
                                       << QStringLiteral("TARN Update Failed: Connection Desynced, Retry")
                                       << int(Action::checkForUpdate) << false << true;
    }
    void sentencesAndMenuItems()
    {
        QFETCH(TarnUpdateState, state);
        QFETCH(QString, sentence);
        QFETCH(QString, menu);
        QFETCH(int, action);
        QFETCH(bool, inProgress);
        QFETCH(bool, error);
        QCOMPARE(TarnUpdatePresenter::statusText(state), sentence);
        QCOMPARE(TarnUpdatePresenter::menuItem(state), (TarnUpdatePresenter::MenuItem{menu, Action(action)}));
        QCOMPARE(state.isUpdateInProgress(), inProgress);
        QCOMPARE(TarnUpdatePresenter::progressWindow(state).statusIsError, error);
    }

    void progressRowsAndRetry()
    {
        const auto transferring = TarnUpdatePresenter::progressWindow(State::transferring(28, 29));
        QCOMPARE(transferring.title, QStringLiteral("TARN Firmware Update"));
        QVERIFY(transferring.showsProgress);
        QCOMPARE(transferring.sentBytes, 28);
        QCOMPARE(transferring.totalBytes, 29);
        QCOMPARE(transferring.progressCaption, QStringLiteral("28 / 29 bytes"));
        QCOMPARE(TarnUpdatePresenter::progressWindow(State::transferring(1835008, 1835008)).progressCaption,
                 QStringLiteral("1835008 / 1835008 bytes"));
        QVERIFY(!TarnUpdatePresenter::progressWindow(State::transferring(0, 0)).showsProgress);
        QVERIFY(!TarnUpdatePresenter::progressWindow(State::verifying()).showsProgress);

        QCOMPARE(TarnUpdatePresenter::transferPercent(1, 3), 33);
        QCOMPARE(TarnUpdatePresenter::transferPercent(2, 3), 66);
        QCOMPARE(TarnUpdatePresenter::transferPercent(29, 29), 100);

        for (int k = 0; k <= int(EKind::reconnectTimeout); ++k) {
            const Error error{EKind(k)};
            const bool final =
                error.kind == EKind::imageTooLargeForProtocol || error.kind == EKind::deviceNoPartitionTable;
            QCOMPARE(error.isRetryable(), !final);
            QCOMPARE(TarnUpdatePresenter::progressWindow(State::failed(error)).showsRetry, !final);
            QVERIFY(error.label().startsWith(QStringLiteral("TARN Update")));
        }
        QVERIFY(!TarnUpdatePresenter::progressWindow(State::idle()).showsRetry);
    }

    // Each status byte a device can answer with, the error it stands for and the words the user
    // reads, written out rather than taken from the code's own tables: a checksum rejection must
    // never read as a flash write error, and a label must not drift into another's.
    void deviceStatusesAndLabels_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("label");
        QTest::newRow("1 too large") << 1 << int(EKind::deviceTooLarge)
                                     << QStringLiteral("TARN Update Failed: Device Rejected Image Size, Retry");
        QTest::newRow("2 bad sequence") << 2 << int(EKind::transferDesynced)
                                        << QStringLiteral("TARN Update Failed: Connection Desynced, Retry");
        QTest::newRow("3 CRC mismatch")
            << 3 << int(EKind::checksumRejectedByDevice)
            << QStringLiteral("TARN Update Failed: Checksum Rejected, Old Firmware Still Running, Retry");
        QTest::newRow("4 flash write") << 4 << int(EKind::deviceFlashWrite)
                                       << QStringLiteral("TARN Update Failed: Device Flash Write Error, Retry");
        QTest::newRow("5 not started") << 5 << int(EKind::deviceNotStarted)
                                       << QStringLiteral("TARN Update Failed: Device Protocol Error, Retry");
        QTest::newRow("6 busy") << 6 << int(EKind::deviceAlreadyActive)
                                << QStringLiteral("TARN Update Failed: Another Update Already In Progress, Retry");
        QTest::newRow("7 no partition table")
            << 7 << int(EKind::deviceNoPartitionTable)
            << QStringLiteral("TARN Update Unavailable: This Unit Needs a One-Time Manual Reflash");
    }
    void deviceStatusesAndLabels()
    {
        QFETCH(int, status);
        QFETCH(int, kind);
        QFETCH(QString, label);
        const Bytes reply{0x03, 0x01, std::uint8_t(status), 0x00, 0x00};
        const auto decoded = UpdateResponse::fromBytes(reply);
        QVERIFY(decoded);
        const auto error = TarnFirmwareTransfer::errorFor(decoded->status);
        QVERIFY(error);
        QCOMPARE(int(error->kind), kind);
        QCOMPARE(error->label(), label);
    }
    void otherLabelsAndTheLargestImage()
    {
        const Bytes ok{0x03, 0x01, 0x00, 0x00, 0x00};
        QCOMPARE(TarnFirmwareTransfer::errorFor(UpdateResponse::fromBytes(ok)->status), std::nullopt);
        QCOMPARE(Error::downloadFailed({}).label(), QStringLiteral("TARN Update Failed: Couldn't Download, Retry"));
        QCOMPARE(Error::revertedByWatchdog({1, 0, 0}).label(),
                 QStringLiteral("TARN Update Failed: Device Reverted, Still On Old Firmware, Retry"));
        QCOMPARE(Error(EKind::imageTooLargeForProtocol).label(),
                 QStringLiteral("TARN Update Unavailable: Published Image Too Large for This Device"));
        QCOMPARE(Error(EKind::deviceStoppedResponding).label(),
                 QStringLiteral("TARN Update Failed: Device Stopped Responding, Retry"));
        QCOMPARE(Error(EKind::reconnectTimeout).label(),
                 QStringLiteral("TARN Update: Device Hasn't Reconnected Yet, Retry"));
        // 65,536 chunks of 28 bytes: the 16-bit sequence numbers run out one chunk later.
        QCOMPARE(TarnFirmwareTransfer::largestImage, std::size_t(1835008));
    }

    void manifestDecoding_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("both") << QByteArray(R"({"version":"1.4.0","asset":"tarn.bin"})") << true;
        QTest::newRow("extra keys") << QByteArray(R"({"version":"1.4","asset":"","notes":[1,2]})") << true;
        QTest::newRow("no asset") << QByteArray(R"({"version":"1.4.0"})") << false;
        QTest::newRow("number version") << QByteArray(R"({"version":1.4,"asset":"a"})") << false;
        QTest::newRow("null asset") << QByteArray(R"({"version":"1.4.0","asset":null})") << false;
        QTest::newRow("array") << QByteArray(R"(["1.4.0","a"])") << false;
        QTest::newRow("html") << QByteArray("<html>404</html>") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void manifestDecoding()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QCOMPARE(TarnManifest::fromJson(body).has_value(), decodes);
    }

    void assetResolution_data()
    {
        QTest::addColumn<QString>("asset");
        QTest::addColumn<QString>("url"); // empty: unusable
        QTest::newRow("bare name") << QStringLiteral("tarn-1.4.0.bin")
                                   << QStringLiteral("https://u.example/releases/tarn-rp2350/tarn-1.4.0.bin");
        QTest::newRow("absolute") << QStringLiteral("http://cdn.example/x/fw.bin")
                                  << QStringLiteral("http://cdn.example/x/fw.bin");
        QTest::newRow("rooted") << QStringLiteral("/files/fw.bin") << QStringLiteral("https://u.example/files/fw.bin");
        QTest::newRow("parent") << QStringLiteral("../fw.bin") << QStringLiteral("https://u.example/releases/fw.bin");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("local file") << QStringLiteral("file:///etc/passwd") << QString();
        QTest::newRow("other scheme") << QStringLiteral("ftp://u.example/fw.bin") << QString();
        QTest::newRow("malformed") << QStringLiteral("http://[::1") << QString();
    }
    void assetResolution()
    {
        QFETCH(QString, asset);
        QFETCH(QString, url);
        const QUrl manifest(QStringLiteral("https://u.example/releases/tarn-rp2350/latest.json"));
        const auto resolved = TarnManifest::resolveAsset(manifest, asset);
        QCOMPARE(resolved.has_value(), !url.isEmpty());
        if (resolved) {
            QCOMPARE(resolved->toString(), url);
        }
    }

    void updateServerURL()
    {
        const QString path = QStringLiteral("/releases/tarn-rp2350/latest.json");
        // Later tests in this process, and anything they start, still get the loopback server.
        const QByteArray saved = qgetenv("KESTRIX_UPDATE_BASE_URL");
        const auto restore = qScopeGuard([&saved] {
            saved.isNull() ? qunsetenv("KESTRIX_UPDATE_BASE_URL") : qputenv("KESTRIX_UPDATE_BASE_URL", saved);
        });
        qputenv("KESTRIX_UPDATE_BASE_URL", "http://127.0.0.1:9/");
        QCOMPARE(UpdateServer::url(path).toString(),
                 QStringLiteral("http://127.0.0.1:9/releases/tarn-rp2350/latest.json"));
        qputenv("KESTRIX_UPDATE_BASE_URL", "http://127.0.0.1:9/mirror");
        QCOMPARE(UpdateServer::url(path).toString(),
                 QStringLiteral("http://127.0.0.1:9/mirror/releases/tarn-rp2350/latest.json"));
        qunsetenv("KESTRIX_UPDATE_BASE_URL");
        QCOMPARE(UpdateServer::url(path).toString(), QString::fromLatin1(UpdateServer::defaultBaseURL) + path);
    }
};

QTEST_GUILESS_MAIN(TarnUpdateTextsTest)
#include "tst_tarnupdatetexts.moc"
