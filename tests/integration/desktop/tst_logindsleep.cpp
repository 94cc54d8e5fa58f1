// Sleep and wake-up from a mocked logind on a private system bus, through to the device link.

#include "device/DorvelDeviceManager.h"
#include "platform/linux/desktop/LogindSystemSleep.h"
#include "platform/sim/SimulatedHidBus.h"
#include "support/DeviceTestSupport.h"
#include "support/TestMain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace std::chrono_literals;

namespace {
// Debian's own interpreter, where the distribution's python3-dbusmock is installed.
const QString python = QStringLiteral("/usr/bin/python3");
const QString logind = QStringLiteral("org.freedesktop.login1");
} // namespace

class LogindSleepTest : public QObject {
    Q_OBJECT
    QProcess m_bus;
    QProcess m_logind;

    void emitPrepareForSleep(bool start)
    {
        auto call =
            QDBusMessage::createMethodCall(logind, QStringLiteral("/org/freedesktop/login1"),
                                           QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"));
        const QList<QDBusVariant> arguments{QDBusVariant(start)};
        call << QStringLiteral("org.freedesktop.login1.Manager") << QStringLiteral("PrepareForSleep")
             << QStringLiteral("b") << QVariant::fromValue(arguments);
        const QDBusMessage reply = QDBusConnection::systemBus().call(call);
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
            QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) != 0) {
            QSKIP("needs dbus-daemon and python3-dbusmock (scripts/setup.sh installs them)");
        }
        qDBusRegisterMetaType<QList<QDBusVariant>>();
        // A private bus stands in for the system bus; nothing reaches the machine's own.
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QString::fromUtf8(address));
        m_logind.setProcessEnvironment(environment);
        m_logind.start(python, {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                                QStringLiteral("logind"), QStringLiteral("--system")});
        QVERIFY(QDBusConnection::systemBus().isConnected());
        KESTRIX_WAIT_FOR(QDBusConnection::systemBus().interface()->isServiceRegistered(logind).value());
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {&m_logind, &m_bus}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                process->waitForFinished(5000);
            }
        }
    }

    // After wake-up the held device gets the LED state again, then the attach queries.
    void wakeUpResendsTheLEDStateAndQueriesAgain()
    {
        SimulatedHidBus bus;
        SimulatedDorvel device;
        DorvelDeviceManager manager(bus);
        LogindSystemSleep sleep;
        QVERIFY(sleep.isWatching());
        connect(&sleep, &SystemSleep::resumed, &manager, &DorvelDeviceManager::handleResume);
        QSignalSpy asleep(&sleep, &SystemSleep::aboutToSleep);
        QSignalSpy awake(&sleep, &SystemSleep::resumed);
        manager.start();
        bus.plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(manager.deviceID().has_value());
        const std::vector<Bytes> green{Dorvel::ledEnabledReport(true), Dorvel::ledColorReport(85, 255, 200)};
        manager.updateLEDState(green);
        KESTRIX_WAIT_FOR(manager.lastQuery() && manager.lastQuery()->hue == 85);
        int queried = 0;
        manager.onDeviceQueried = [&queried](const DeviceQueryResponse &) {
            ++queried;
        };

        ReportRecorder recorder(device);
        emitPrepareForSleep(true);
        QVERIFY(asleep.wait());
        QVERIFY(recorder.reports.empty());
        emitPrepareForSleep(false);
        QVERIFY(awake.wait());
        KESTRIX_WAIT_FOR(recorder.reports.size() >= 4);
        QCOMPARE(recorder.reports[0], green[0]);
        QCOMPARE(recorder.reports[1], green[1]);
        QCOMPARE(recorder.commands()[2], Dorvel::stateQueryCommand);
        KESTRIX_WAIT_FOR(queried == 1);
        QCOMPARE(asleep.count(), 1);
    }
};

QTEST_GUILESS_MAIN(LogindSleepTest)
#include "tst_logindsleep.moc"
