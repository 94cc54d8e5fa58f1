#pragma once

#include "device/Bytes.h"
#include "platform/sim/SimulatedDorvel.h"
#include "support/TestMain.h"
#include "support/TestTime.h"

#include <QAbstractEventDispatcher>
#include <QStringList>

#include <vector>

// A report as spaced hex bytes, for comparisons that print readably when they fail.
inline QString hex(const Bytes &bytes)
{
    QStringList parts;
    for (std::uint8_t b : bytes) {
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    }
    return parts.join(QLatin1Char(' '));
}

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
