// A model-based randomized test of the device link: from a seed, a generator plugs, unplugs and
// replugs up to three simulated devices, delays, drops and duplicates their replies, asks the
// requests that the menu, the windows, the rules engine and a firmware run ask, and moves a stepped
// clock; one checker looks at the link after every step. A failing seed names itself; rerun it
// with KESTRIX_LINK_SEED=N. KESTRIX_LINK_SEEDS=N runs N seeds (a soak), KESTRIX_LINK_FIRST_SEED
// where they start.

#include "device/DorvelDeviceManager.h"
#include "firmware/TarnFirmwareTransfer.h"
#include "platform/sim/SimulatedDorvel.h"
#include "support/FakeClock.h"
#include "support/TestMain.h"
#include "support/TestTime.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QPointer>

#include <map>
#include <memory>
#include <random>
#include <sstream>

using namespace std::chrono_literals;

namespace {

// Durations on the stepped clock (no real time passes).
constexpr auto requestTimeout = 100ms;
constexpr auto grace = 20ms;
constexpr auto step = 5ms;

// A bus of simulated devices whose replies travel on the stepped clock: each reply is due after a
// delay drawn by the generator, and a device answers in order.
class SteppedBus : public HidBus, public SimulatedDeviceHost {
public:
    struct Device;

    class Connection : public HidConnection {
    public:
        Connection(SteppedBus &bus, int device, HidDeviceInfo info)
            : m_bus(bus), m_device(device), m_info(std::move(info))
        {}
        const HidDeviceInfo &info() const override { return m_info; }
        bool writeReport(ByteView report) override { return m_bus.write(m_device, report); }
        void deliver(ByteView bytes) { Q_EMIT inputReport(bytes); }

    private:
        SteppedBus &m_bus;
        int m_device;
        HidDeviceInfo m_info;
    };

    struct Reply {
        Clock::time_point due;
        std::optional<Bytes> bytes;
        bool thenUnplug = false; // a reboot: off the bus once this reply has gone out
        std::optional<Replug> back;
    };
    struct Device {
        std::unique_ptr<SimulatedDorvel> sim;
        LocationID location = 0;
        QPointer<Connection> connection;
        std::deque<Reply> replies;
        std::optional<Clock::time_point> returnsAt;
        std::vector<Bytes> written; // every report written to it, over all its connections
    };

    SteppedBus(FakeClock &clock, std::mt19937 &random) : m_clock(clock), m_random(random) {}

    // Set by the checker: called with every write before the device handles it.
    std::function<void(int device, ByteView report)> onWrite;
    // Reply faults are off while the link settles at the end.
    bool faults = true;

    int addDevice(LocationID location, std::uint8_t index)
    {
        SimulatedDorvel::Config config;
        config.version = FirmwareVersion{1, 0, index};
        config.deviceId = {index, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
        config.rebootDelay = 30ms;
        auto &device = m_devices.emplace_back();
        device.sim = std::make_unique<SimulatedDorvel>(config);
        device.sim->setHost(this);
        device.location = location;
        return int(m_devices.size()) - 1;
    }
    Device &device(int index) { return m_devices[std::size_t(index)]; }
    std::size_t deviceCount() const { return m_devices.size(); }
    bool isPlugged(int index) const { return m_devices[std::size_t(index)].connection != nullptr; }

    void start(const HidMatching &) override
    {
        m_started = true;
        // Devices already present are reported together, from one call stack.
        QMetaObject::invokeMethod(
            this,
            [this] {
                for (std::size_t i = 0; i < m_devices.size(); ++i) {
                    if (m_devices[i].connection) {
                        Q_EMIT deviceMatched(m_devices[i].connection);
                    }
                }
            },
            Qt::QueuedConnection);
    }

    void plug(int index, std::optional<LocationID> at = std::nullopt)
    {
        auto &device = this->device(index);
        if (device.connection) {
            return;
        }
        device.returnsAt.reset();
        if (at) {
            device.location = *at;
        }
        HidDeviceInfo info{0x1209, 0x0001, 0xFF60, 0x61, device.location, QStringLiteral("dev%1").arg(index)};
        device.connection = new Connection(*this, index, info);
        device.connection->setParent(this);
        if (m_started) {
            Q_EMIT deviceMatched(device.connection);
        }
    }

    void unplug(int index)
    {
        auto &device = this->device(index);
        if (!device.connection) {
            return;
        }
        QPointer<Connection> connection = std::exchange(device.connection, nullptr);
        device.replies.clear();
        device.sim->unplugged();
        if (m_started) {
            Q_EMIT deviceRemoved(connection);
        }
        connection->deleteLater();
    }

    // Delivers what is due by the clock's time, in order.
    void deliverDue()
    {
        const auto now = m_clock.now();
        for (std::size_t i = 0; i < m_devices.size(); ++i) {
            auto &device = m_devices[i];
            while (!device.replies.empty() && device.replies.front().due <= now && device.connection) {
                Reply reply = std::move(device.replies.front());
                device.replies.pop_front();
                if (reply.bytes) {
                    device.connection->deliver(*reply.bytes);
                }
                if (reply.thenUnplug) {
                    unplug(int(i));
                    if (reply.back) {
                        device.returnsAt = now + reply.back->delay;
                        if (reply.back->moveTo) {
                            device.location = *reply.back->moveTo;
                        }
                    }
                }
            }
            if (device.returnsAt && *device.returnsAt <= now) {
                plug(int(i));
            }
        }
    }

    // SimulatedDeviceHost: the device asks for a reboot while it handles a report.
    void requestReplug(SimulatedDorvel &, std::optional<Replug> back) override
    {
        m_replug = back;
        m_replugAsked = true;
    }
    void forgetDevice(SimulatedDorvel &) override {}

private:
    bool write(int index, ByteView report)
    {
        auto &device = this->device(index);
        if (onWrite) {
            onWrite(index, report);
        }
        device.written.emplace_back(report.begin(), report.end());
        m_replugAsked = false;
        auto bytes = device.sim->handleReport(report);
        const bool reboot = std::exchange(m_replugAsked, false);
        std::uniform_real_distribution<double> chance(0, 1);
        const auto now = m_clock.now();
        auto queue = [&](std::optional<Bytes> reply, std::chrono::milliseconds delay) {
            const auto earliest = device.replies.empty() ? now : device.replies.back().due;
            device.replies.push_back({std::max(earliest, now + delay), std::move(reply), false, std::nullopt});
        };
        const double roll = chance(m_random);
        std::chrono::milliseconds delay = 0ms;
        if (faults) {
            const double late = chance(m_random);
            delay = late < 0.7   ? std::chrono::milliseconds(m_random() % 6)
                    : late < 0.9 ? std::chrono::milliseconds(5 + m_random() % 95)
                                 : std::chrono::milliseconds(100 + m_random() % 60);
        }
        if (faults && roll < 0.07) {
            bytes.reset(); // lost on the way
        }
        queue(bytes, delay);
        if (faults && bytes && roll > 0.96) {
            queue(bytes, 0ms); // sent twice
        }
        if (reboot) {
            device.replies.back().thenUnplug = true;
            device.replies.back().back = m_replug;
        }
        return true;
    }

    FakeClock &m_clock;
    std::mt19937 &m_random;
    std::deque<Device> m_devices;
    bool m_started = false;
    bool m_replugAsked = false;
    std::optional<Replug> m_replug;
};

// One request that a test caller made, and how it ended.
struct Request {
    std::uint8_t kind = 0;              // 0xFF state, 0x04 identity
    int device = -1;                    // the device held when it was made
    QPointer<HidConnection> connection; // and its connection, null once removed
    int resumes = 0;
    std::optional<DorvelDeviceManager::RequestError> error;
    std::optional<int> answeredBy; // from the reply's contents
};

struct FirmwareRun {
    int device = -1;
    FirmwareVersion target;
    std::optional<DorvelDeviceManager::ExclusiveLink> link;
    std::unique_ptr<TarnFirmwareTransfer> transfer;
    bool ended = false;
    int resumes = 0;
    std::optional<TarnFirmwareTransfer::Outcome<TarnUpdateState>> outcome;
};

class LinkModel {
public:
    explicit LinkModel(std::uint32_t seed) : m_random(seed), m_bus(m_clock, m_random)
    {
        DorvelDeviceManager::Timings timings{.attachQueryTimeout = requestTimeout,
                                             .attachIdentityTimeout = requestTimeout,
                                             .ledRefreshTimeout = requestTimeout,
                                             .rebootIdentityDelay = 0ms,
                                             .rebootIdentityTimeout = requestTimeout,
                                             .replyGrace = grace};
        m_manager = std::make_unique<DorvelDeviceManager>(m_bus, timings, m_clock);
        m_bus.onWrite = [this](int device, ByteView report) {
            checkWrite(device, report);
        };
        const int devices = 2 + int(m_random() % 2);
        for (int i = 0; i < devices; ++i) {
            m_bus.addDevice(0x14100000 + LocationID(i) * 0x100000, std::uint8_t(i));
        }
    }
    ~LinkModel()
    {
        // The manager ends whatever still waits, runs included, before their transfers go.
        m_manager.reset();
        m_runs.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Runs `steps` generated events, then lets the link settle with reliable devices; returns the
    // first broken invariant, empty when all held.
    std::string run(int steps)
    {
        // Sometimes several devices are present at start-up.
        for (std::size_t i = 0; i < m_bus.deviceCount(); ++i) {
            if (m_random() % 2) {
                m_bus.plug(int(i));
            }
        }
        m_manager->start();
        drain();
        for (int i = 0; i < steps && m_failure.empty(); ++i) {
            generate();
            drain();
            check();
        }
        if (m_failure.empty()) {
            settle();
        }
        return m_failure;
    }

private:
    void fail(const std::string &what)
    {
        if (m_failure.empty()) {
            m_failure = what + " (after " + std::to_string(m_eventCount) + " events:" + m_events + ")";
        }
    }
    void note(const std::string &event)
    {
        m_events += " " + event;
        ++m_eventCount;
    }

    int heldDevice() const
    {
        const HidConnection *held = m_manager->device();
        for (std::size_t i = 0; i < const_cast<SteppedBus &>(m_bus).deviceCount(); ++i) {
            if (held && const_cast<SteppedBus &>(m_bus).device(int(i)).connection == held) {
                return int(i);
            }
        }
        return -1;
    }
    FirmwareRun *activeRun()
    {
        for (auto &run : m_runs) {
            if (!run->ended) {
                return run.get();
            }
        }
        return nullptr;
    }

    void drain()
    {
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    void advance(std::chrono::milliseconds by)
    {
        for (auto passed = 0ms; passed < by; passed += step) {
            m_clock.advance(step);
            m_bus.deliverDue();
            drain();
            m_manager->checkDeadlines();
            drain();
            check();
        }
    }

    QCoro::Task<> ask(std::shared_ptr<Request> request)
    {
        if (request->kind == Dorvel::stateQueryCommand) {
            auto result = co_await m_manager->queryDevice(requestTimeout);
            ++request->resumes;
            if (result.ok()) {
                request->answeredBy = result->version.patch;
            } else {
                request->error = result.error();
            }
        } else {
            auto result = co_await m_manager->queryDeviceID(requestTimeout);
            ++request->resumes;
            if (result.ok()) {
                request->answeredBy = std::stoi(result->identifier.substr(0, 2), nullptr, 16);
            } else {
                request->error = result.error();
            }
        }
    }

    QCoro::Task<> runFirmware(FirmwareRun *run)
    {
        const Bytes image = SimulatedDorvel::makeFirmwareImage(run->target, 28 * 3 + 5, 7);
        auto outcome = co_await run->transfer->run(image, run->target);
        if (!outcome.ok()) {
            co_await run->transfer->abortBestEffort();
        }
        ++run->resumes;
        run->outcome = std::move(outcome);
        run->link.reset();
        run->ended = true;
    }

    void generate()
    {
        const int devices = int(m_bus.deviceCount());
        const int device = int(m_random() % unsigned(devices));
        switch (m_random() % 12) {
        case 0:
            note("plug" + std::to_string(device));
            m_bus.plug(device);
            break;
        case 1:
            note("unplug" + std::to_string(device));
            m_bus.unplug(device);
            break;
        case 2:
            note("replug" + std::to_string(device));
            m_bus.unplug(device);
            m_bus.plug(device);
            break;
        case 3:
        case 4: {
            const auto kind = m_random() % 2 ? Dorvel::stateQueryCommand : Dorvel::identityQueryCommand;
            note(kind == Dorvel::stateQueryCommand ? "askState" : "askIdentity");
            auto request = std::make_shared<Request>();
            request->kind = kind;
            request->device = heldDevice();
            request->connection = m_manager->device();
            m_requests.push_back(request);
            ask(request);
            break;
        }
        case 5: {
            note("led");
            const auto hue = std::uint8_t(m_random());
            m_manager->updateLEDState({Dorvel::ledEnabledReport(true), Dorvel::ledColorReport(hue, 255, 200)});
            break;
        }
        case 6:
            if (!activeRun() && heldDevice() >= 0) {
                note("firmware");
                auto run = std::make_unique<FirmwareRun>();
                run->device = heldDevice();
                run->target = FirmwareVersion{2, 0, std::uint8_t(run->device)};
                run->link = m_manager->acquireExclusiveLink();
                if (!run->link) {
                    fail("no exclusive link while no run holds it");
                    return;
                }
                TarnFirmwareTransfer::Timings timings{requestTimeout, requestTimeout, requestTimeout,
                                                      requestTimeout, 300ms,          requestTimeout};
                run->transfer =
                    std::make_unique<TarnFirmwareTransfer>(*run->link, timings, [](const TarnUpdateState &) {});
                m_runs.push_back(std::move(run));
                runFirmware(m_runs.back().get());
            }
            break;
        default: {
            const auto by = std::chrono::milliseconds(step.count() * (1 + m_random() % 30));
            note("wait" + std::to_string(by.count()));
            advance(by);
            break;
        }
        }
    }

    void checkWrite(int device, ByteView report)
    {
        if (!report.empty() && report[0] == Dorvel::ledCommand && m_manager->isLinkExclusive()) {
            fail("an LED report written to device " + std::to_string(device) + " while a run holds the link");
        }
        if (report.empty() || report[0] != Dorvel::firmwareUpdateCommand) {
            return;
        }
        const FirmwareRun *run = activeRun();
        if (!run) {
            fail("firmware report written while no run holds the link");
        } else if (run->device != device) {
            fail("firmware report of the run on device " + std::to_string(run->device) + " written to device " +
                 std::to_string(device));
        }
    }

    void check()
    {
        const HidConnection *held = m_manager->device();
        const int heldIndex = heldDevice();
        if (held && heldIndex < 0) {
            fail("the manager holds a removed device");
        }
        if (m_manager->isConnected() != (held != nullptr)) {
            fail("isConnected disagrees with the held device");
        }
        if (heldIndex >= 0 && !m_manager->isLinkExclusive()) {
            // The held device shows the current LED state: its last LED report is the state's last.
            // A run's device gets it once the run lets go.
            const auto &state = m_manager->lastLEDStateReports();
            const auto &written = m_bus.device(heldIndex).written;
            const auto last = std::find_if(written.rbegin(), written.rend(),
                                           [](const Bytes &r) { return !r.empty() && r[0] == Dorvel::ledCommand; });
            if (!state.empty() && (last == written.rend() || *last != state.back())) {
                fail("the held device does not show the current LED state");
            }
        }
        if (const FirmwareRun *run = activeRun(); run && heldIndex >= 0 && heldIndex != run->device) {
            fail("another device is held during a firmware run");
        }
        for (const auto &request : m_requests) {
            if (request->resumes > 1) {
                fail("a request resumed twice");
            }
            if (request->device >= 0 && !request->connection && request->resumes == 0) {
                fail("a request outlived the device it was written to");
            }
            if (request->error == DorvelDeviceManager::RequestError::malformedResponse) {
                fail("a request took a reply of another kind");
            }
            if (request->answeredBy && *request->answeredBy != request->device) {
                fail("a request to device " + std::to_string(request->device) + " was answered by device " +
                     std::to_string(*request->answeredBy));
            }
        }
        for (const auto &run : m_runs) {
            if (run->resumes > 1) {
                fail("a firmware run resumed twice");
            }
            if (run->outcome && run->outcome->ok() && run->outcome->value().kind == TarnUpdateState::Kind::succeeded &&
                run->outcome->value().version != run->target) {
                fail("a firmware run succeeded without its device reporting the target version");
            }
        }
    }

    // Reliable devices, enough time for everything to end; then every device out and some plugged
    // in together, which must each time end in a held device whose state and identity are known.
    void settle()
    {
        m_bus.faults = false;
        advance(1500ms);
        for (const auto &request : m_requests) {
            if (request->resumes != 1) {
                fail("a request never resumed");
            }
        }
        for (const auto &run : m_runs) {
            if (run->resumes != 1) {
                fail("a firmware run never ended");
            }
        }
        for (std::size_t i = 0; i < m_bus.deviceCount(); ++i) {
            m_bus.unplug(int(i));
        }
        drain();
        note("|");
        const int first = int(m_random() % m_bus.deviceCount());
        const int second = int(m_random() % m_bus.deviceCount());
        m_bus.plug(first);
        m_bus.plug(second);
        note("plug" + std::to_string(first) + "+" + std::to_string(second));
        advance(400ms);
        const int held = heldDevice();
        if (held != second) {
            fail("the device plugged in last is not held");
        } else if (!m_manager->lastQuery() || m_manager->lastQuery()->version.patch != unsigned(held) % 256) {
            fail("the held device's state is not known after its attach");
        } else if (!m_manager->deviceID() || std::stoi(m_manager->deviceID()->substr(0, 2), nullptr, 16) != held) {
            fail("the held device's identity is not known after its attach");
        }
    }

    std::mt19937 m_random;
    FakeClock m_clock;
    SteppedBus m_bus;
    std::unique_ptr<DorvelDeviceManager> m_manager;
    std::vector<std::shared_ptr<Request>> m_requests;
    std::vector<std::unique_ptr<FirmwareRun>> m_runs;
    std::string m_events;
    int m_eventCount = 0;
    std::string m_failure;
};

std::uint32_t envNumber(const char *name, std::uint32_t fallback)
{
    bool ok = false;
    const auto value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : fallback;
}

} // namespace

class DeviceLinkTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void randomSchedules()
    {
        // Fewer seeds where the build is slower (the sanitizers); a soak names its own count.
        const auto normal = std::uint32_t(300 / TestTime::factor());
        const std::uint32_t first = envNumber("KESTRIX_LINK_FIRST_SEED", 1);
        std::uint32_t count = envNumber("KESTRIX_LINK_SEEDS", normal);
        if (qEnvironmentVariableIsSet("KESTRIX_LINK_SEED")) {
            count = 1;
        }
        const std::uint32_t start = envNumber("KESTRIX_LINK_SEED", first);
        for (std::uint32_t seed = start; seed < start + count; ++seed) {
            std::string failure;
            {
                LinkModel model(seed);
                failure = model.run(60);
            }
            if (!failure.empty()) {
                QFAIL(qPrintable(QStringLiteral("seed %1: %2\nreplay with KESTRIX_LINK_SEED=%1")
                                     .arg(seed)
                                     .arg(QString::fromStdString(failure))));
            }
        }
    }
};

QTEST_GUILESS_MAIN(DeviceLinkTest)
#include "tst_devicelink.moc"
