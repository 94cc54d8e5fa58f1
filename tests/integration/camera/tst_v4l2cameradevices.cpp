#include "CameraTestSupport.h"
#include "support/TestMain.h"

#include <QCoreApplication>

#include <unistd.h>

namespace {
QStringList ids(const std::vector<CameraDevice> &cameras)
{
    QStringList out;
    for (const auto &camera : cameras) {
        out.append(camera.id);
    }
    return out;
}

bool anyInUse(const std::vector<CameraDevice> &cameras)
{
    return std::any_of(cameras.begin(), cameras.end(), [](const CameraDevice &c) { return c.inUse; });
}
} // namespace

class V4L2CameraDevicesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onlyCaptureNodesAreCameras()
    {
        FakeSystem system;
        QVERIFY(system.isValid());
        QVERIFY(system.addNode(QStringLiteral("video0"), 0));                   // webcam capture node
        QVERIFY(system.addNode(QStringLiteral("video1"), 1));                   // its metadata node
        QVERIFY(system.addNode(QStringLiteral("video2"), 0, ":video_output:")); // codec, udev knows better
        QVERIFY(system.addNode(QStringLiteral("video3"), 1, ":capture:"));      // udev says capture
        QVERIFY(system.addNode(QStringLiteral("video10"), 0, ":capture:video_output:"));
        QVERIFY(system.addNode(QStringLiteral("video4"), 0, std::nullopt, false)); // no node in /dev

        V4L2CameraDevices devices(system.roots());
        const auto cameras = devices.cameras();
        QCOMPARE(ids(cameras),
                 QStringList({system.node(QStringLiteral("video0")), system.node(QStringLiteral("video3")),
                              system.node(QStringLiteral("video10"))}));
        QVERIFY(!anyInUse(cameras));
    }

    void missingTreesMeanNoCamera()
    {
        V4L2CameraDevices devices({"/nonexistent/dev", "/nonexistent/proc", "/nonexistent/sys", "/nonexistent/udev"});
        QVERIFY(devices.cameras().empty());
        QVERIFY(devices.cameras().empty());
    }

    void inUseByAnotherProcessOnlyAndRescannedOnlyOnOpenOrClose()
    {
        FakeSystem system;
        const QString video0 = QStringLiteral("video0");
        QVERIFY(system.addNode(video0, 0));
        QVERIFY(system.addNode(QStringLiteral("video2"), 0));
        const QString node = system.node(video0);

        // Ourselves and the idle media daemons hold the node; many others hold other files.
        QVERIFY(system.addProcess(QCoreApplication::applicationPid(), "tst_v4l2camera"));
        QVERIFY(system.holdOpen(QCoreApplication::applicationPid(), 7, node));
        const QByteArray daemons[] = {"pipewire", "wireplumber", "pipewire-media-"};
        qint64 pid = 20000;
        for (const QByteArray &comm : daemons) {
            QVERIFY(system.addProcess(++pid, comm));
            QVERIFY(system.holdOpen(pid, 30, node));
        }
        for (int i = 0; i < 50; ++i) {
            QVERIFY(system.addProcess(++pid, "idle"));
            QVERIFY(system.holdOpen(pid, 0, QStringLiteral("/dev/null")));
        }

        V4L2CameraDevices devices(system.roots());
        QVERIFY(!anyInUse(devices.cameras()));

        // A program picks the camera up, but the node has not reported an open yet: the cached
        // answer stands until it does.
        const qint64 program = ++pid;
        QVERIFY(system.addProcess(program, "videocall"));
        QVERIFY(system.holdOpen(program, 12, node));
        QVERIFY(!anyInUse(devices.cameras()));
        QVERIFY(system.touchNode(video0));
        auto cameras = devices.cameras();
        QVERIFY(cameras[0].inUse);
        QVERIFY(!cameras[1].inUse);

        QVERIFY(system.release(program, 12));
        QVERIFY(devices.cameras()[0].inUse);
        QVERIFY(system.touchNode(video0));
        QVERIFY(!anyInUse(devices.cameras()));
    }

    void followsNodesPluggedInAndOut()
    {
        FakeSystem system;
        QVERIFY(system.isValid());
        QVERIFY(QDir().mkpath(system.root() + QStringLiteral("/dev")));
        V4L2CameraDevices devices(system.roots());
        QVERIFY(devices.cameras().empty());

        QVERIFY(system.addProcess(31000, "videocall"));
        QVERIFY(system.addNode(QStringLiteral("video0"), 0));
        QVERIFY(system.holdOpen(31000, 3, system.node(QStringLiteral("video0"))));
        auto cameras = devices.cameras();
        QCOMPARE(ids(cameras), QStringList{system.node(QStringLiteral("video0"))});
        QVERIFY(cameras[0].inUse);

        // Unplugged while in use.
        QVERIFY(system.removeNode(QStringLiteral("video0")));
        QVERIFY(devices.cameras().empty());

        // Plugged back: the new node is watched like the first.
        QVERIFY(system.release(31000, 3));
        QVERIFY(system.addNode(QStringLiteral("video0"), 0));
        QVERIFY(!anyInUse(devices.cameras()));
        QVERIFY(system.holdOpen(31000, 3, system.node(QStringLiteral("video0"))));
        QVERIFY(system.touchNode(QStringLiteral("video0")));
        QVERIFY(anyInUse(devices.cameras()));
    }
};

QTEST_GUILESS_MAIN(V4L2CameraDevicesTest)
#include "tst_v4l2cameradevices.moc"
