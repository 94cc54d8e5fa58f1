// PipeWireCameraDevices, through the PipeWire module as the application loads it, against a real
// PipeWire daemon the test starts, with a client of its own that streams video the way a camera's
// node and an app reading it do.
#include "integration/camera/PipeWireTestSupport.h"
#include "platform/linux/camera/PipeWireCameraDevices.h"
#include "platform/linux/pipewire/PipeWireGraphLoader.h"
#include "platform/linux/pipewire/PipeWireScreenCast.h"
#include "signals/CameraInUseWatcher.h"
#include "signals/ScreenShareWatcher.h"
#include "support/BuildPaths.h"
#include "support/TestMain.h"

#include <QRegularExpression>
#include <QSignalSpy>

namespace {
QString describe(const std::vector<CameraDevice> &cameras)
{
    QStringList parts;
    for (const CameraDevice &camera : cameras) {
        parts.append(camera.id + (camera.inUse ? QStringLiteral(" in use") : QStringLiteral(" idle")));
    }
    parts.sort();
    return parts.join(QStringLiteral(", "));
}

const QStringList moduleFolders{kestrix::buildpaths::moduleDir()};

bool isConnected(const PipeWireGraphLoader &graph)
{
    return graph.graph() && graph.graph()->isConnected();
}

// The screen-share watcher on the PipeWire screen cast alone, on the same graph connection.
std::unique_ptr<ScreenShareWatcher> screenShareOn(std::shared_ptr<PipeWireGraphLoader> graph)
{
    std::vector<std::unique_ptr<DesktopStateSource>> sources;
    sources.push_back(std::make_unique<PipeWireScreenCast>(std::move(graph)));
    auto watcher = std::make_unique<ScreenShareWatcher>(std::move(sources));
    watcher->start();
    return watcher;
}

// A fixed list of V4L2 cameras.
class FixedCameras : public CameraDevices {
public:
    std::vector<CameraDevice> list;
    std::vector<CameraDevice> cameras() override { return list; }
};
} // namespace

class PipeWireCameraDevicesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PipeWireDaemon> m_daemon;

private Q_SLOTS:
    void initTestCase()
    {
        if (PipeWireDaemon::executable().isEmpty()) {
            QSKIP("needs the pipewire daemon (scripts/setup.sh installs it)");
        }
        m_daemon = std::make_unique<PipeWireDaemon>();
        qputenv("PIPEWIRE_RUNTIME_DIR", QFile::encodeName(m_daemon->runtimeFolder()));
        qunsetenv("PIPEWIRE_REMOTE");
    }

    // Every function meets a daemon of its own, already running.
    void init() { QVERIFY(m_daemon->start()); }

    void cleanup() { m_daemon->stop(); }

    // A camera node is listed idle until an app's stream is linked to it and the graph runs, and
    // idle again once the link goes; a video source that is no camera (a shared screen) is not
    // listed; a camera whose node goes is gone. Under the watcher, in use counts from either the
    // Video4Linux side or this one. The screen is shared exactly while that other source runs; a
    // running camera never counts as one.
    void followsTheGraph()
    {
        const auto graph = std::make_shared<PipeWireGraphLoader>(moduleFolders);
        PipeWireCameraDevices cameras(graph);
        const auto shared = screenShareOn(graph);
        QTRY_VERIFY_WITH_TIMEOUT(isConnected(*graph), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(shared->isSharing(), std::optional(false), 10000);
        VideoClient client;
        QVERIFY(client.isConnected());
        QCOMPARE(describe(cameras.cameras()), QString());

        const int camera = client.addStream("test-camera", true, "Camera");
        const int screen = client.addStream("test-screen", true, "");
        const int viewer = client.addStream("test-viewer", false, "Camera");
        QVERIFY(camera >= 0 && screen >= 0 && viewer >= 0);
        QTRY_COMPARE_WITH_TIMEOUT(describe(cameras.cameras()), QStringLiteral("pipewire:test-camera idle"), 10000);

        // The screen running makes no camera in use, and shares the screen until its stream ends.
        const int screenLink = client.link(screen, viewer);
        QTRY_VERIFY_WITH_TIMEOUT(client.isStreaming(viewer), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(shared->isSharing(), std::optional(true), 10000);
        QCOMPARE(describe(cameras.cameras()), QStringLiteral("pipewire:test-camera idle"));
        client.unlink(screenLink);
        QTRY_VERIFY_WITH_TIMEOUT(!client.isStreaming(viewer), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(shared->isSharing(), std::optional(false), 10000);
        QSignalSpy sharing(shared.get(), &ScreenShareSignals::isSharingChanged);

        auto *v4l2 = new FixedCameras;
        v4l2->list = {{QStringLiteral("/dev/video0"), false}};
        std::vector<std::unique_ptr<CameraDevices>> parts;
        parts.emplace_back(v4l2);
        parts.emplace_back(std::make_unique<PipeWireCameraDevices>(graph));
        CombinedCameraDevices combined(std::move(parts));
        CameraInUseWatcher watcher(combined, std::chrono::milliseconds(20));
        watcher.start();
        QCOMPARE(watcher.isInUse(), std::optional(false));

        const int link = client.link(camera, viewer);
        QTRY_COMPARE_WITH_TIMEOUT(describe(cameras.cameras()), QStringLiteral("pipewire:test-camera in use"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.isInUse(), std::optional(true), 10000);
        QVERIFY(sharing.isEmpty());

        client.unlink(link);
        QTRY_COMPARE_WITH_TIMEOUT(describe(cameras.cameras()), QStringLiteral("pipewire:test-camera idle"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.isInUse(), std::optional(false), 10000);
        v4l2->list.front().inUse = true;
        QTRY_COMPARE_WITH_TIMEOUT(watcher.isInUse(), std::optional(true), 10000);

        client.removeStream(camera);
        QTRY_COMPARE_WITH_TIMEOUT(describe(cameras.cameras()), QString(), 10000);
        QVERIFY(sharing.isEmpty());
    }

    // A module that is not there, or does not load, leaves the camera watcher on its Video4Linux
    // side without a word.
    void withoutTheModule()
    {
        QVERIFY(QFile::exists(m_daemon->runtimeFolder() + QStringLiteral("/pipewire-0")));
        QTemporaryDir empty;
        QTemporaryDir broken;
        QFile junk(broken.filePath(QStringLiteral("kestrix-pipewire.so")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a module") > 0);
        junk.close();
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        for (const QString &folder : {empty.path(), broken.path()}) {
            const auto graph = std::make_shared<PipeWireGraphLoader>(QStringList{folder});
            auto *v4l2 = new FixedCameras;
            v4l2->list = {{QStringLiteral("/dev/video0"), true}};
            std::vector<std::unique_ptr<CameraDevices>> parts;
            parts.emplace_back(v4l2);
            parts.emplace_back(std::make_unique<PipeWireCameraDevices>(graph));
            CombinedCameraDevices combined(std::move(parts));
            CameraInUseWatcher watcher(combined, std::chrono::milliseconds(20));
            watcher.start();
            QCOMPARE(watcher.isInUse(), std::optional(true));
            v4l2->list.front().inUse = false;
            QTRY_COMPARE_WITH_TIMEOUT(watcher.isInUse(), std::optional(false), 10000);
            QVERIFY(!graph->isModuleLoaded());
            QVERIFY(!graph->graph());
        }
    }

    // Started before the daemon, and across a daemon crash: the module is loaded only once the
    // daemon's socket is there, and the graph is followed again once the socket is back, without
    // polling.
    void followsTheDaemon()
    {
        m_daemon->stop();
        const auto graph = std::make_shared<PipeWireGraphLoader>(moduleFolders);
        PipeWireCameraDevices cameras(graph);
        QTest::qWait(0);
        QVERIFY(!graph->isModuleLoaded());
        QVERIFY(cameras.cameras().empty());
        QVERIFY(m_daemon->start());
        QTRY_VERIFY_WITH_TIMEOUT(isConnected(*graph), 10000);
        {
            VideoClient client;
            QVERIFY(client.addStream("test-camera", true, "Camera") >= 0);
            QTRY_COMPARE_WITH_TIMEOUT(describe(cameras.cameras()), QStringLiteral("pipewire:test-camera idle"), 10000);
            const auto shared = screenShareOn(graph);
            QTRY_COMPARE_WITH_TIMEOUT(shared->isSharing(), std::optional(false), 10000);
            m_daemon->stop();
            QTRY_VERIFY_WITH_TIMEOUT(!graph->graph(), 10000);                            // its socket went: dropped
            QTRY_COMPARE_WITH_TIMEOUT(shared->isSharing(), std::optional(false), 10000); // nothing left to share
            QCOMPARE(describe(cameras.cameras()), QString());
        }
        QVERIFY(m_daemon->start());
        QTRY_VERIFY_WITH_TIMEOUT(isConnected(*graph), 10000);
        VideoClient client;
        QVERIFY(client.addStream("test-camera-2", true, "Camera") >= 0);
        QTRY_COMPARE_WITH_TIMEOUT(describe(cameras.cameras()), QStringLiteral("pipewire:test-camera-2 idle"), 10000);
    }
};

QTEST_GUILESS_MAIN(PipeWireCameraDevicesTest)
#include "tst_pipewirecameradevices.moc"
