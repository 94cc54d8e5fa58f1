#pragma once

#include "support/TestMain.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>

// A dbus-daemon of the test's own, in a session of its own and killed when its parent dies, so that
// no daemon outlives a crashed run holding its output open. `standardServices`: it may start the
// system's session services (the dconf service); otherwise only those in `serviceFolder`.
class PrivateBus {
public:
    PrivateBus(const QString &folder, const QString &name, bool standardServices)
        : m_name(name), m_serviceFolder(QDir(folder).filePath(name + QStringLiteral("-services")))
    {
        QDir().mkpath(m_serviceFolder);
        const QString config = QDir(folder).filePath(name + QStringLiteral(".conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            return;
        }
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n<busconfig>\n"
                   "<type>session</type>\n<listen>unix:dir=" +
                   QFile::encodeName(folder) + "</listen>\n<servicedir>" + QFile::encodeName(m_serviceFolder) +
                   "</servicedir>\n" + (standardServices ? "<standard_session_servicedirs/>\n" : "") +
                   "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>\n</busconfig>\n");
        file.close();
        m_daemon.setChildProcessModifier([] {
            ::setsid();
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        });
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (m_daemon.waitForStarted(10000) && QTest::qWaitFor([&] { return m_daemon.canReadLine(); }, 10000)) {
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        }
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(m_name + QStringLiteral("-client"));
        QDBusConnection::disconnectFromBus(m_name + QStringLiteral("-service"));
        m_daemon.kill();
        m_daemon.waitForFinished(10000);
    }

    const QString &address() const { return m_address; }
    // Two connections, as two programs on the bus would have: the one under test and the service's.
    QDBusConnection client() const
    {
        return QDBusConnection::connectToBus(m_address, m_name + QStringLiteral("-client"));
    }
    QDBusConnection service() const
    {
        return QDBusConnection::connectToBus(m_address, m_name + QStringLiteral("-service"));
    }
    // A service the bus could start on demand: starting it leaves `marker` behind.
    void addActivatableService(const QString &service, const QString &marker) const
    {
        QFile file(QDir(m_serviceFolder).filePath(service + QStringLiteral(".service")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[D-BUS Service]\nName=" + service.toUtf8() + "\nExec=/usr/bin/touch " + QFile::encodeName(marker) +
                   "\n");
    }

private:
    QString m_name;
    QString m_serviceFolder;
    QString m_address;
    QProcess m_daemon;
};
