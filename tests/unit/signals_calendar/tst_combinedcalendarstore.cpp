// CombinedCalendarStore over fake stores: when access resolves, and which store is asked for what.
#include "signals/CombinedCalendarStore.h"
#include "support/FakeCalendarStore.h"
#include "support/TestMain.h"

#include <QPointer>
#include <QSignalSpy>

namespace {
// A store whose release runs the event loop, as the calendar server's client library does, where
// another store's change arrives.
class ReleasingStore : public FakeCalendarStore {
public:
    QPointer<FakeCalendarStore> other;
    ~ReleasingStore() override
    {
        if (other) {
            other->notifyChanged();
        }
    }
};
} // namespace

class CombinedCalendarStoreTest : public QObject {
    Q_OBJECT

    // Two stores whose access the test resolves; `first` wins where ids meet.
    std::unique_ptr<CombinedCalendarStore> combine(FakeCalendarStore *&first, FakeCalendarStore *&second)
    {
        first = new FakeCalendarStore;
        second = new FakeCalendarStore;
        first->access.reset();
        second->access.reset();
        std::vector<std::unique_ptr<CalendarStore>> stores;
        stores.emplace_back(first);
        stores.emplace_back(second);
        return std::make_unique<CombinedCalendarStore>(std::move(stores));
    }

private Q_SLOTS:
    // Refused only when every store refused; granted by the first store that grants, and a store
    // granting later announces its calendars as a change.
    void access_data()
    {
        QTest::addColumn<bool>("firstGrants");
        QTest::addColumn<bool>("secondGrants");
        QTest::addColumn<QString>("expected"); // after each answer: "-" none yet, "granted", "refused"
        QTest::newRow("both refuse") << false << false << QStringLiteral("- refused");
        QTest::newRow("the later one grants") << false << true << QStringLiteral("- granted");
        QTest::newRow("the first one grants") << true << false << QStringLiteral("granted granted");
        QTest::newRow("both grant") << true << true << QStringLiteral("granted granted+changed");
    }

    void access()
    {
        QFETCH(bool, firstGrants);
        QFETCH(bool, secondGrants);
        QFETCH(QString, expected);
        FakeCalendarStore *first = nullptr;
        FakeCalendarStore *second = nullptr;
        auto combined = combine(first, second);
        QSignalSpy resolved(combined.get(), &CalendarStore::accessResolved);
        QSignalSpy changed(combined.get(), &CalendarStore::changed);
        combined->requestAccess();
        QCOMPARE(first->accessRequests + second->accessRequests, 2);
        QStringList steps;
        const auto step = [&] {
            QString text = resolved.isEmpty() ? QStringLiteral("-")
                                              : (resolved.first().at(0).toBool() ? QStringLiteral("granted")
                                                                                 : QStringLiteral("refused"));
            if (!changed.isEmpty()) {
                text += QStringLiteral("+changed");
            }
            steps.append(text);
        };
        first->resolveAccess(firstGrants);
        step();
        second->resolveAccess(secondGrants);
        step();
        QCOMPARE(steps.join(QLatin1Char(' ')), expected);
        QVERIFY(resolved.size() <= 1);
    }

    // A calendar both stores reach is listed and read once, from the first; a query is split so
    // that each store reads only the calendars it serves, and a store none of whose calendars are
    // asked for is not asked at all.
    void routing()
    {
        FakeCalendarStore *first = nullptr;
        FakeCalendarStore *second = nullptr;
        auto combined = combine(first, second);
        first->calendarList = {{QStringLiteral("system-calendar"), QStringLiteral("Personal")},
                               {QStringLiteral("work"), QStringLiteral("Work")}};
        second->calendarList = {{QStringLiteral("system-calendar"), QStringLiteral("Personal (file)")},
                                {QStringLiteral("/cal/team"), QStringLiteral("Team")}};
        combined->requestAccess();
        first->resolveAccess(true);
        second->resolveAccess(true);

        const QList<CalendarInfo> expected{{QStringLiteral("system-calendar"), QStringLiteral("Personal")},
                                           {QStringLiteral("work"), QStringLiteral("Work")},
                                           {QStringLiteral("/cal/team"), QStringLiteral("Team")}};
        QCOMPARE(combined->calendars(), expected);

        combined->events({});
        QCOMPARE(first->queries.last().calendarIds, std::nullopt);
        QCOMPARE(second->queries.last().calendarIds, std::optional(QStringList{QStringLiteral("/cal/team")}));

        CalendarEventQuery some;
        some.calendarIds = QStringList{QStringLiteral("/cal/team"), QStringLiteral("system-calendar")};
        combined->events(some);
        QCOMPARE(first->queries.last().calendarIds, std::optional(QStringList{QStringLiteral("system-calendar")}));
        QCOMPARE(second->queries.last().calendarIds, std::optional(QStringList{QStringLiteral("/cal/team")}));

        const auto secondQueries = second->queries.size();
        some.calendarIds = QStringList{QStringLiteral("work")};
        combined->events(some);
        QCOMPARE(second->queries.size(), secondQueries);
    }

    // Nothing reaches the combined store's observers while it goes: they may be going as well.
    void teardownReachesNoObserver()
    {
        auto *server = new ReleasingStore;
        auto *files = new FakeCalendarStore;
        server->other = files;
        std::vector<std::unique_ptr<CalendarStore>> stores;
        stores.emplace_back(server);
        stores.emplace_back(files);
        auto combined = std::make_unique<CombinedCalendarStore>(std::move(stores));
        combined->requestAccess();
        int changes = 0;
        connect(combined.get(), &CalendarStore::changed, this, [&changes] { ++changes; });
        files->notifyChanged();
        QCOMPARE(changes, 1);
        combined.reset();
        QCOMPARE(changes, 1);
    }
};

QTEST_GUILESS_MAIN(CombinedCalendarStoreTest)
#include "tst_combinedcalendarstore.moc"
