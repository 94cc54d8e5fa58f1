// Throughput of the trigger socket through the real server and its worker thread:
//  - one-line connections, each sent by a client that connects, writes one line, closes, and waits
//    until the server has published the line; with the resident memory before and after a million
//    of them, which must stay flat;
//  - many lines in one connection, the way a script reports a batch.
#include "BenchMode.h"
#include "platform/linux/trigger/UnixTriggerListener.h"
#include "signals/ExternalTriggerServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

double residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                return line.mid(6).trimmed().split(' ').value(0).toDouble();
            }
        }
    }
    return 0;
}

class ServerFixture {
public:
    ServerFixture()
    {
        TriggerListener::Options options = ExternalTriggerServer::defaultOptions();
        options.socketPath = m_dir.filePath(QStringLiteral("control.sock"));
        m_server = std::make_unique<ExternalTriggerServer>(std::make_unique<UnixTriggerListener>(), options);
        QObject::connect(m_server.get(), &ExternalTriggerServer::signalReported, m_server.get(),
                         [this] { ++m_published; });
        m_server->start();
        while (!m_server->isListening()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const QByteArray path = QFile::encodeName(options.socketPath);
        m_address.sun_family = AF_UNIX;
        std::memcpy(m_address.sun_path, path.constData(), std::size_t(path.size()));
    }

    bool send(const char *data, std::size_t size) const
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        bool sent = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&m_address), sizeof m_address) == 0;
        while (sent && size > 0) {
            const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
            sent = n > 0;
            data += sent ? n : 0;
            size -= sent ? std::size_t(n) : 0;
        }
        if (fd >= 0) {
            ::close(fd);
        }
        return sent;
    }

    void waitForPublished(qint64 count)
    {
        while (m_published < count) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    qint64 published() const { return m_published; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ExternalTriggerServer> m_server;
    sockaddr_un m_address{};
    qint64 m_published = 0;
};

// Sixteen signals, each switched on and off in turn: the published map stays small, as it does
// in use, so a growing memory figure would be the server's own.
std::array<QByteArray, 32> benchLines()
{
    std::array<QByteArray, 32> lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i] = "bench_" + QByteArray::number(qulonglong(i % 16)) + (i < 16 ? " 1\n" : " 0\n");
    }
    return lines;
}

void BM_OneLineConnections(benchmark::State &state)
{
    ServerFixture fixture;
    const auto lines = benchLines();
    qint64 sent = 0;
    // Warm up first, so the allocators' and Qt's first growth is not counted as the server's.
    for (; sent < 10000; ++sent) {
        fixture.send(lines[std::size_t(sent) % lines.size()].constData(), 10);
        fixture.waitForPublished(sent + 1);
    }
    const double before = residentKiB();
    for (auto _ : state) {
        const QByteArray &line = lines[std::size_t(sent) % lines.size()];
        if (!fixture.send(line.constData(), std::size_t(line.size()))) {
            state.SkipWithError("send failed");
            break;
        }
        fixture.waitForPublished(++sent);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["rss_before_KiB"] = before;
    state.counters["rss_after_KiB"] = residentKiB();
}
BENCHMARK(BM_OneLineConnections)
    ->Iterations(BenchMode::iterations(1000000))
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

void BM_LinesInOneConnection(benchmark::State &state)
{
    ServerFixture fixture;
    const auto lines = benchLines();
    QByteArray batch;
    for (int i = 0; i < state.range(0); ++i) {
        batch += lines[std::size_t(i) % lines.size()];
    }
    qint64 expected = 0;
    for (auto _ : state) {
        fixture.send(batch.constData(), std::size_t(batch.size()));
        fixture.waitForPublished(expected += state.range(0));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LinesInOneConnection)->Arg(100)->Arg(5000)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return BenchMode::runAll(argc, argv);
}
