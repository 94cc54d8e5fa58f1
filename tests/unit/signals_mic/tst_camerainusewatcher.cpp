#include "support/FakeCameraDevices.h"
#include "support/TestMain.h"

#include "signals/CameraInUseWatcher.h"

#include <QSignalSpy>

using namespace std::chrono_literals;

class CameraInUseWatcherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsTheCamerasOnEveryRefresh()
    {
        FakeCameraDevices cameras;
        CameraInUseWatcher watcher(cameras, 1h);
        QSignalSpy changed(&watcher, &CameraInUseWatcher::isInUseChanged);
        const auto value = [&] {
            return changed.last().at(0).value<std::optional<bool>>();
        };

        watcher.refresh();
        QCOMPARE(watcher.isInUse(), std::nullopt);
        QCOMPARE(changed.count(), 1);

        cameras.present = {{QStringLiteral("/dev/video0"), false}, {QStringLiteral("/dev/video2"), false}};
        watcher.refresh();
        QCOMPARE(watcher.isInUse(), std::optional<bool>(false));
        watcher.refresh();
        QCOMPARE(changed.count(), 3); // unchanged, signalled all the same
        QCOMPARE(value(), std::optional<bool>(false));

        cameras.present[1].inUse = true;
        watcher.refresh();
        QCOMPARE(watcher.isInUse(), std::optional<bool>(true));

        // The camera in use is unplugged, then the other one too.
        cameras.present.pop_back();
        watcher.refresh();
        QCOMPARE(watcher.isInUse(), std::optional<bool>(false));
        cameras.present.clear();
        watcher.refresh();
        QCOMPARE(watcher.isInUse(), std::nullopt);
        QCOMPARE(value(), std::nullopt);
    }

    void startRefreshesAtOnceThenAtTheInterval()
    {
        FakeCameraDevices cameras;
        cameras.present = {{QStringLiteral("/dev/video0"), true}};
        CameraInUseWatcher watcher(cameras, 5ms);
        QSignalSpy changed(&watcher, &CameraInUseWatcher::isInUseChanged);

        watcher.start();
        QCOMPARE(cameras.askCount, 1);
        QCOMPARE(watcher.isInUse(), std::optional<bool>(true));
        watcher.start();
        QCOMPARE(cameras.askCount, 1);

        cameras.present[0].inUse = false;
        QVERIFY(QTest::qWaitFor([&] { return cameras.askCount >= 3; }, 5000));
        QCOMPARE(watcher.isInUse(), std::optional<bool>(false));
        QCOMPARE(changed.count(), cameras.askCount);
    }
};

QTEST_GUILESS_MAIN(CameraInUseWatcherTest)
#include "tst_camerainusewatcher.moc"
