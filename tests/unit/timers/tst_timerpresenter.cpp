#include "support/TestMain.h"
#include "timers/TimerPresenter.h"

// The timer window's texts and which of its forms show, from the manager's published values.
class TimerPresenterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countdownShowsWholeMinutesAndTwoDigitSeconds_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("five minutes") << 300 << QStringLiteral("5:00");
        QTest::newRow("one second short") << 299 << QStringLiteral("4:59");
        QTest::newRow("under ten seconds") << 7 << QStringLiteral("0:07");
        QTest::newRow("three hours") << 180 * 60 << QStringLiteral("180:00");
        QTest::newRow("never negative") << -3 << QStringLiteral("0:00");
    }
    void countdownShowsWholeMinutesAndTwoDigitSeconds()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(TimerPresenter::formatRemaining(seconds), text);
    }

    void cycleLineCountsTheWorkPhaseInProgressAndShowsATotalOnlyForALimitedSession()
    {
        // The first work phase of a session of 8: nothing completed yet.
        QCOMPARE(TimerPresenter::cycleLine(0, 8), QStringLiteral("cycle 1 / 8"));
        // The break after it: the count rose when the work phase ended.
        QCOMPARE(TimerPresenter::cycleLine(1, 8), QStringLiteral("cycle 2 / 8"));
        QCOMPARE(TimerPresenter::cycleLine(1, std::nullopt), QStringLiteral("cycle 2"));
    }

    void sectionsAndFormsFollowTheKindAndExpiry_data()
    {
        QTest::addColumn<std::optional<TimerKind>>("kind");
        QTest::addColumn<bool>("expired");
        QTest::addColumn<std::optional<PomodoroPhase>>("phase");
        QTest::addColumn<bool>("simpleSection");
        QTest::addColumn<bool>("simpleSetup");
        QTest::addColumn<QString>("simpleStatus");
        QTest::addColumn<QString>("simpleButton");
        QTest::addColumn<bool>("pomodoroSection");
        QTest::addColumn<bool>("pomodoroSetup");
        QTest::addColumn<QString>("phaseName");
        QTest::addColumn<QString>("pomodoroRemaining");
        QTest::addColumn<bool>("countdown");
        QTest::addColumn<QString>("cycleLine");

        const std::optional<TimerKind> none;
        const std::optional<PomodoroPhase> noPhase;
        QTest::newRow("idle: both set-up forms") << none << false << noPhase << true << true << QString() << QString()
                                                 << true << true << QString() << QString() << false << QString();
        QTest::newRow("simple running: its countdown, the pomodoro hidden")
            << std::optional(TimerKind::simple) << false << noPhase << true << false << QStringLiteral("1:05")
            << QStringLiteral("Stop") << false << false << QString() << QString() << true << QString();
        QTest::newRow("simple expired: time's up until dismissed")
            << std::optional(TimerKind::simple) << true << noPhase << true << false << QStringLiteral("Time's up!")
            << QStringLiteral("Dismiss") << false << false << QString() << QString() << false << QString();
        QTest::newRow("pomodoro in a long break: the simple timer hidden")
            << std::optional(TimerKind::pomodoro) << false << std::optional(PomodoroPhase::longBreak) << false << false
            << QString() << QString() << true << false << QStringLiteral("Long break") << QStringLiteral("1:05")
            << false << QStringLiteral("cycle 1 / 4");
    }
    void sectionsAndFormsFollowTheKindAndExpiry()
    {
        QFETCH(std::optional<TimerKind>, kind);
        QFETCH(bool, expired);
        QFETCH(std::optional<PomodoroPhase>, phase);
        const TimerPresenter::TimerWindow window = TimerPresenter::timerWindow(kind, expired, phase, 65, 0, 4, false);
        QTEST(window.showsSimpleSection, "simpleSection");
        QTEST(window.showsSimpleSetup, "simpleSetup");
        QTEST(window.simpleStatus, "simpleStatus");
        QTEST(window.simpleStatusIsCountdown, "countdown");
        QTEST(window.simpleButton, "simpleButton");
        QTEST(window.showsPomodoroSection, "pomodoroSection");
        QTEST(window.showsPomodoroSetup, "pomodoroSetup");
        QTEST(window.phaseName, "phaseName");
        QTEST(window.pomodoroRemaining, "pomodoroRemaining");
        QTEST(window.cycleLine, "cycleLine");
    }
};

QTEST_APPLESS_MAIN(TimerPresenterTest)
#include "tst_timerpresenter.moc"
