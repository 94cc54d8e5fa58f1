// The progress window renders the presenter's rows and its "Retry" starts a new check.
#include "device/DorvelDeviceManager.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "firmware/TarnUpdatePresenter.h"
#include "firmware/ui/TarnUpdateProgressView.h"
#include "platform/sim/SimulatedHidBus.h"
#include "support/DeviceTestSupport.h"
#include "support/LocalHttpServer.h"
#include "support/TestMain.h"
#include "ui/ErrorText.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

class TarnUpdateProgressViewTest : public QObject {
    Q_OBJECT

    static QString statusOf(const TarnUpdateProgressView &view)
    {
        // The second label from the top is the status sentence.
        return view.findChildren<QLabel *>().at(1)->text();
    }

private Q_SLOTS:
    void rendersEachRow()
    {
        SimulatedHidBus bus;
        DorvelDeviceManager manager(bus);
        TarnFirmwareUpdater updater(manager);
        TarnUpdateProgressView view(updater);
        view.show();
        QCOMPARE(view.windowTitle(), QStringLiteral("TARN Firmware Update"));
        QVERIFY(view.width() >= 380);
        auto *bar = view.findChild<QProgressBar *>();
        auto *retry = view.findChild<QPushButton *>();
        QCOMPARE(statusOf(view), QStringLiteral("Idle."));
        QVERIFY(!bar->isVisible());
        QVERIFY(!retry->isVisible());

        view.render(TarnUpdatePresenter::progressWindow(TarnUpdateState::transferring(28, 29)));
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->maximum(), 29);
        QCOMPARE(bar->value(), 28);
        QVERIFY(view.findChildren<QLabel *>().at(2)->text() == QStringLiteral("28 / 29 bytes"));

        view.render(TarnUpdatePresenter::progressWindow(
            TarnUpdateState::failed(TarnUpdateError::Kind::imageTooLargeForProtocol)));
        QCOMPARE(statusOf(view), QStringLiteral("TARN Update Unavailable: Published Image Too Large for This Device"));
        QCOMPARE(view.findChildren<QLabel *>().at(1)->palette().color(QPalette::WindowText),
                 ErrorText::color(view.palette()));
        QVERIFY(!bar->isVisible());
        QVERIFY(!retry->isVisible());

        view.render(
            TarnUpdatePresenter::progressWindow(TarnUpdateState::failed(TarnUpdateError::Kind::reconnectTimeout)));
        QCOMPARE(statusOf(view), QStringLiteral("TARN Update: Device Hasn't Reconnected Yet, Retry"));
        QVERIFY(retry->isVisible());
        view.render(TarnUpdatePresenter::progressWindow(TarnUpdateState::succeeded({1, 4, 0})));
        QCOMPARE(view.findChildren<QLabel *>().at(1)->palette().color(QPalette::WindowText),
                 view.palette().color(QPalette::WindowText));
    }

    void retryStartsACheckAndTheViewFollowsTheUpdater()
    {
        LocalHttpServer http;
        QVERIFY(http.isListening());
        const QString path = QStringLiteral("/releases/tarn-rp2350/latest.json");
        http.serve(path, QByteArray(R"({"version":"1.4.0","asset":"tarn.bin"})"));
        SimulatedHidBus bus;
        DorvelDeviceManager manager(bus);
        DeviceQueryResponse query;
        query.hwPlatform = HardwarePlatform::rp2350;
        query.version = {1, 4, 0};
        manager.setLastQuery(query);
        TarnFirmwareUpdater::Config config;
        config.manifestURL = http.url(path);
        TarnFirmwareUpdater updater(manager, config);
        TarnUpdateProgressView view(updater);
        view.show();
        view.render(
            TarnUpdatePresenter::progressWindow(TarnUpdateState::failed(TarnUpdateError::Kind::transferDesynced)));
        QTest::mouseClick(view.findChild<QPushButton *>(), Qt::LeftButton);
        KESTRIX_WAIT_FOR(statusOf(view) == QStringLiteral("Up to date (v1.4.0)."));
        QCOMPARE(http.requestCount(path), 1);
    }
};

QTEST_MAIN(TarnUpdateProgressViewTest)
#include "tst_tarnupdateprogressview.moc"
