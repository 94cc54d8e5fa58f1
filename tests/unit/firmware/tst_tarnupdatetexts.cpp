// What the firmware updater's views show for each state, the error labels, and how the release
// manifest is read and its asset resolved.
#include "firmware/TarnManifest.h"
#include "firmware/TarnUpdatePresenter.h"
#include "firmware/TarnUpdateState.h"
#include "util/UpdateServer.h"

#include <QTest>

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
        const FirmwareVersion v123{1, 2, 3};
        const FirmwareVersion v1100{1, 10, 0};
        QTest::newRow("idle") << State::idle() << QStringLiteral("Idle.") << QStringLiteral("Check for TARN Update…")
                              << int(Action::checkForUpdate) << false;
        QTest::newRow("checking") << State::checkingForUpdate() << QStringLiteral("Checking for an update…")
                                  << QStringLiteral("Checking for TARN Update…") << int(Action::none) << false;
        QTest::newRow("up to date") << State::upToDate(v123) << QStringLiteral("Up to date (v1.2.3).")
                                    << QStringLiteral("Check for TARN Update (Up to Date, v1.2.3)")
                                    << int(Action::checkForUpdate) << false;
        QTest::newRow("available") << State::updateAvailable(v123, v1100)
                                   << QStringLiteral("Update available: v1.2.3 → v1.10.0.")
                                   << QStringLiteral("TARN Update Available: v1.2.3 → v1.10.0")
                                   << int(Action::startUpdate) << false;
        QTest::newRow("downloading") << State::downloading(0) << QStringLiteral("Downloading the firmware image…")
                                     << QStringLiteral("Downloading TARN Update…") << int(Action::none) << true;
        QTest::newRow("transferring") << State::transferring(1000, 3000)
                                      << QStringLiteral("Transferring to the device…")
                                      << QStringLiteral("Updating TARN Firmware… 33%") << int(Action::none) << true;
        QTest::newRow("nothing to send") << State::transferring(0, 0) << QStringLiteral("Transferring to the device…")
                                         << QStringLiteral("Updating TARN Firmware… 0%") << int(Action::none) << true;
        QTest::newRow("verifying") << State::verifying()
                                   << QStringLiteral("Verifying on the device (flash read-back check)…")
                                   << QStringLiteral("Verifying TARN Update…") << int(Action::none) << true;
        QTest::newRow("rebooting") << State::waitingForReboot()
                                   << QStringLiteral("Waiting for the device to reboot (up to 20 seconds)…")
                                   << QStringLiteral("Rebooting Device (up to 20s)…") << int(Action::none) << true;
        QTest::newRow("confirming") << State::confirmingVersion() << QStringLiteral("Confirming the new version…")
                                    << QStringLiteral("Confirming Update…") << int(Action::none) << true;
        QTest::newRow("succeeded") << State::succeeded({1, 4, 0}) << QStringLiteral("Succeeded. Now running v1.4.0.")
                                   << QStringLiteral("TARN Update Succeeded: v1.4.0") << int(Action::none) << false;
        QTest::newRow("failed, final")
            << State::failed(EKind::imageTooLargeForProtocol)
            << QStringLiteral("TARN Update Unavailable: Published Image Too Large for This Device")
            << QStringLiteral("TARN Update Unavailable: Published Image Too Large for This Device") << int(Action::none)
            << false;
        QTest::newRow("failed, retry") << State::failed(EKind::transferDesynced)
                                       << QStringLiteral("TARN Update Failed: Connection Desynced, Retry")
                                       << QStringLiteral("TARN Update Failed: Connection Desynced, Retry")
                                       << int(Action::checkForUpdate) << false;
    }
    void sentencesAndMenuItems()
    {
        QFETCH(TarnUpdateState, state);
        QFETCH(QString, sentence);
        QFETCH(QString, menu);
        QFETCH(int, action);
        QFETCH(bool, inProgress);
        QCOMPARE(TarnUpdatePresenter::statusText(state), sentence);
        QCOMPARE(TarnUpdatePresenter::menuItem(state), (TarnUpdatePresenter::MenuItem{menu, Action(action)}));
        QCOMPARE(state.isUpdateInProgress(), inProgress);
        QCOMPARE(TarnUpdatePresenter::progressWindow(state).statusIsError, state.kind == State::Kind::failed);
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
