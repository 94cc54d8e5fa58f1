// Cost of the camera watcher's once-a-second refresh on a fake machine with a few hundred
// processes: with nothing changed it must not touch /proc at all; after a camera node was opened
// or closed it rescans every process's open files once.
#include "BenchMode.h"
#include "platform/linux/camera/V4L2CameraDevices.h"
#include "signals/CameraInUseWatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace std::chrono_literals;

namespace {

constexpr int processCount = 400;
constexpr int filesPerProcess = 12;

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Two webcams (capture and metadata nodes each) and many processes holding ordinary files; one of
// them has the first camera open.
struct FakeMachine {
    QTemporaryDir dir;
    bool ok = true;

    FakeMachine()
    {
        const QString root = dir.path();
        for (int n = 0; n < 4; ++n) {
            const QString name = QStringLiteral("video%1").arg(n);
            const QString sys = root + QStringLiteral("/sys/class/video4linux/") + name;
            ok = ok && writeFile(sys + QStringLiteral("/index"), QByteArray::number(n % 2) + '\n') &&
                 writeFile(sys + QStringLiteral("/dev"), "81:" + QByteArray::number(n) + '\n') &&
                 writeFile(root + QStringLiteral("/dev/") + name, {});
        }
        for (int pid = 1000; pid < 1000 + processCount; ++pid) {
            const QString proc = root + QStringLiteral("/proc/") + QString::number(pid);
            ok = ok && writeFile(proc + QStringLiteral("/comm"), "worker\n") &&
                 QDir().mkpath(proc + QStringLiteral("/fd"));
            for (int fd = 0; fd < filesPerProcess; ++fd) {
                const QString target = fd == 5 && pid == 1000 + processCount - 1
                                           ? root + QStringLiteral("/dev/video0")
                                           : QStringLiteral("/tmp/file-%1").arg(fd);
                ok = ok && QFile::link(target, proc + QStringLiteral("/fd/") + QString::number(fd));
            }
        }
    }

    V4L2CameraDevices::Roots roots() const
    {
        const std::string base = dir.path().toStdString();
        return {base + "/dev", base + "/proc", base + "/sys", base + "/udev"};
    }
};

void BM_CameraRefreshUnchanged(benchmark::State &state)
{
    FakeMachine machine;
    if (!machine.ok) {
        state.SkipWithError("cannot build the fake machine");
        return;
    }
    V4L2CameraDevices cameras(machine.roots());
    CameraInUseWatcher watcher(cameras, 1h);
    watcher.refresh(); // the first scan
    if (watcher.isInUse() != true) {
        state.SkipWithError("the camera in use was not found");
        return;
    }
    for (auto _ : state) {
        watcher.refresh();
        benchmark::DoNotOptimize(watcher.isInUse());
    }
}
BENCHMARK(BM_CameraRefreshUnchanged)->Unit(benchmark::kMicrosecond);

// For comparison: a refresh right after a program opened and closed a camera.
void BM_CameraRefreshAfterOpen(benchmark::State &state)
{
    FakeMachine machine;
    if (!machine.ok) {
        state.SkipWithError("cannot build the fake machine");
        return;
    }
    V4L2CameraDevices cameras(machine.roots());
    CameraInUseWatcher watcher(cameras, 1h);
    watcher.refresh();
    QFile node(machine.dir.path() + QStringLiteral("/dev/video2"));
    for (auto _ : state) {
        state.PauseTiming();
        if (node.open(QIODevice::ReadOnly)) {
            node.close();
        }
        state.ResumeTiming();
        watcher.refresh();
        benchmark::DoNotOptimize(watcher.isInUse());
    }
}
BENCHMARK(BM_CameraRefreshAfterOpen)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return BenchMode::runAll(argc, argv);
}
