#pragma once

#include "device/Bytes.h"
#include "platform/sim/SimulatedDorvel.h"
#include "support/TestTime.h"

#include <QAbstractEventDispatcher>
#include <QTest>

#include <vector>

// Records every report a simulated device receives.
struct ReportRecorder {
    explicit ReportRecorder(SimulatedDorvel &device)
    {
        device.onReportReceived = [this](ByteView report) {
            reports.emplace_back(report.begin(), report.end());
        };
    }
    std::vector<std::uint8_t> commands() const
    {
        std::vector<std::uint8_t> out;
        for (const auto &r : reports) {
            out.push_back(r.empty() ? 0 : r[0]);
        }
        return out;
    }
    std::vector<Bytes> reports;
};

// Runs the event loop until the condition holds; fails the test after a generous bound that only
// a broken build reaches (scaled like every test duration).
#define KESTRIX_WAIT_FOR(condition)                                                                                    \
    QVERIFY(QTest::qWaitFor([&] { return (condition); }, int(TestTime::scaled(std::chrono::seconds(5)).count())))

// Runs what the event loop has to do now (posted events, timers already due) until nothing is
// left, without waiting for timers that are not due. With devices that answer at once, every
// exchange already begun has then ended, so a test can check that nothing more happened without
// sleeping. False when the loop never goes quiet (something keeps posting).
inline bool runUntilIdle()
{
    auto *dispatcher = QAbstractEventDispatcher::instance();
    for (int round = 0; round < 10000; ++round) {
        if (!dispatcher->processEvents(QEventLoop::AllEvents)) {
            return true;
        }
    }
    return false;
}
