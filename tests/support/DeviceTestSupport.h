#pragma once

#include "device/Bytes.h"
#include "platform/sim/SimulatedDorvel.h"
#include "support/TestTime.h"

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
