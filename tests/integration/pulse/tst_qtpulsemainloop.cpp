#include "platform/linux/audio/QtPulseMainloop.h"
#include "support/TestMain.h"

#include <pulse/mainloop-api.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include <unistd.h>

namespace {
struct Hits {
    int count = 0;
    bool freeOnHit = false;
};

template <typename Event>
void count(pa_mainloop_api *api, Event *e, Hits *hits)
{
    ++hits->count;
    if (hits->freeOnHit) {
        if constexpr (std::is_same_v<Event, pa_io_event>) {
            api->io_free(e);
        } else if constexpr (std::is_same_v<Event, pa_time_event>) {
            api->time_free(e);
        } else {
            api->defer_free(e);
        }
    }
}
} // namespace

// libpulse's main loop interface on Qt, driven directly as libpulse would.
class QtPulseMainloopTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void timersHonourBothClocks()
    {
        QtPulseMainloop loop;
        pa_mainloop_api *api = loop.api();
        Hits soon, late, monotonicLate;

        timeval tv{};
        pa_gettimeofday(&tv);
        pa_timeval_add(&tv, 3600 * PA_USEC_PER_SEC);
        pa_time_event *lateEvent = api->time_new(
            api, &tv,
            [](pa_mainloop_api *a, pa_time_event *e, const timeval *, void *h) { count(a, e, static_cast<Hits *>(h)); },
            &late);

        // libpulse marks a monotonic deadline with bit 30 of tv_usec.
        timeval monotonic{};
        pa_timeval_store(&monotonic, pa_rtclock_now() + 3600 * PA_USEC_PER_SEC);
        monotonic.tv_usec |= suseconds_t(1) << 30;
        pa_time_event *monotonicEvent = api->time_new(
            api, &monotonic,
            [](pa_mainloop_api *a, pa_time_event *e, const timeval *, void *h) { count(a, e, static_cast<Hits *>(h)); },
            &monotonicLate);

        pa_gettimeofday(&tv);
        soon.freeOnHit = true;
        api->time_new(
            api, &tv,
            [](pa_mainloop_api *a, pa_time_event *e, const timeval *, void *h) { count(a, e, static_cast<Hits *>(h)); },
            &soon);
        QVERIFY(QTest::qWaitFor([&] { return soon.count > 0; }, 5000));

        // Re-armed to now, the hour-long one fires next.
        pa_gettimeofday(&tv);
        api->time_restart(lateEvent, &tv);
        QVERIFY(QTest::qWaitFor([&] { return late.count > 0; }, 5000));
        QCOMPARE(soon.count, 1);
        QCOMPARE(monotonicLate.count, 0);

        api->time_free(lateEvent);
        api->time_free(monotonicEvent);
    }

    void deferredEventsRunWhileEnabled()
    {
        QtPulseMainloop loop;
        pa_mainloop_api *api = loop.api();
        Hits hits;
        const auto callback = [](pa_mainloop_api *a, pa_defer_event *e, void *h) {
            count(a, e, static_cast<Hits *>(h));
        };
        pa_defer_event *e = api->defer_new(api, callback, &hits);
        QVERIFY(QTest::qWaitFor([&] { return hits.count >= 3; }, 5000));

        api->defer_enable(e, 0);
        const int stopped = hits.count;
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(hits.count, stopped);

        hits.freeOnHit = true;
        api->defer_enable(e, 1);
        QVERIFY(QTest::qWaitFor([&] { return hits.count == stopped + 1; }, 5000));
        QCoreApplication::processEvents();
        QCOMPARE(hits.count, stopped + 1);
    }

    void ioEventsReportReadiness()
    {
        QtPulseMainloop loop;
        pa_mainloop_api *api = loop.api();
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        Hits readable;
        readable.freeOnHit = true;
        api->io_new(
            api, fds[0], PA_IO_EVENT_INPUT,
            [](pa_mainloop_api *a, pa_io_event *e, int, pa_io_event_flags_t flags, void *h) {
                QCOMPARE(flags, PA_IO_EVENT_INPUT);
                count(a, e, static_cast<Hits *>(h));
            },
            &readable);
        Hits writable;
        pa_io_event *writer = api->io_new(
            api, fds[1], PA_IO_EVENT_NULL,
            [](pa_mainloop_api *a, pa_io_event *e, int, pa_io_event_flags_t, void *h) {
                count(a, e, static_cast<Hits *>(h));
                a->io_enable(e, PA_IO_EVENT_NULL);
            },
            &writable);

        QCoreApplication::processEvents();
        QCOMPARE(readable.count + writable.count, 0);
        api->io_enable(writer, PA_IO_EVENT_OUTPUT);
        QVERIFY(QTest::qWaitFor([&] { return writable.count == 1; }, 5000));

        // Freed from within its callback while the pipe stays readable: reported once only.
        QCOMPARE(::write(fds[1], "x", 1), 1);
        QVERIFY(QTest::qWaitFor([&] { return readable.count == 1; }, 5000));
        QCoreApplication::processEvents();
        QCOMPARE(readable.count, 1);
        QCOMPARE(writable.count, 1);

        api->io_free(writer);
        ::close(fds[0]);
        ::close(fds[1]);
    }
};

QTEST_GUILESS_MAIN(QtPulseMainloopTest)
#include "tst_qtpulsemainloop.moc"
