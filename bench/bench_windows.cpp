// Opening a window, as the window router does on a menu click: the view is made, shown and drawn
// once (offscreen). The target is under 100 ms per window.
#include "BenchMode.h"
#include "device/DorvelDeviceManager.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/StatusRulesEngine.h"
#include "rules/ui/StatusRulesSettingsView.h"
#include "signals/CalendarWatcher.h"
#include "support/FakeCalendarStore.h"
#include "support/FakeClock.h"
#include "timers/TimerManager.h"
#include "timers/ui/TimerView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The application's long-lived objects with a simulated device attached and five calendars.
struct Objects {
    QTemporaryDir home;
    SimulatedHidBus bus;
    SimulatedDorvel device;
    std::unique_ptr<DorvelDeviceManager> hid;
    std::unique_ptr<StatusRulesEngine> engine;
    std::unique_ptr<CalendarWatcher> calendar;
    FakeClock clock;
    std::unique_ptr<TimerManager> timer;

    Objects()
    {
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        hid = std::make_unique<DorvelDeviceManager>(bus);
        engine = std::make_unique<StatusRulesEngine>(*hid);
        auto store = std::make_unique<FakeCalendarStore>();
        for (const char *title : {"Work", "Family", "Holidays", "Team", "Birthdays"}) {
            store->calendarList.append({QString::fromLatin1(title), QString::fromLatin1(title)});
        }
        calendar = std::make_unique<CalendarWatcher>(std::move(store));
        calendar->start();
        timer = std::make_unique<TimerManager>(*hid, *engine, clock);
        hid->start();
        bus.plug(device, 0x14200000);
        while (!hid->lastQuery()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
};

template <typename Make>
void openWindow(benchmark::State &state, Make make)
{
    for (auto _ : state) {
        QElapsedTimer elapsed;
        elapsed.start();
        std::unique_ptr<QWidget> window(make());
        window->show();
        window->grab(); // one full paint
        QCoreApplication::processEvents();
        state.SetIterationTime(double(elapsed.nsecsElapsed()) / 1e9);
    }
}

void BM_OpenStatusRulesWindow(benchmark::State &state)
{
    Objects objects;
    openWindow(state, [&] { return new StatusRulesSettingsView(*objects.engine, *objects.calendar); });
}
BENCHMARK(BM_OpenStatusRulesWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_OpenTimerWindow(benchmark::State &state)
{
    Objects objects;
    openWindow(state, [&] { return new TimerView(*objects.timer, *objects.hid); });
}
BENCHMARK(BM_OpenTimerWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return BenchMode::runAll(argc, argv);
}
