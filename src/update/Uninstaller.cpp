#include "update/Uninstaller.h"

#include "update/DetachedShell.h"
#include "util/AppSettings.h"
#include "util/SupportFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <filesystem>

Uninstaller::Environment Uninstaller::Environment::running()
{
    Environment environment;
    environment.bundlePath = AppBundle::runningBundlePath();
    environment.processId = QCoreApplication::applicationPid();
    environment.terminate = [] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    };
    return environment;
}

Uninstaller::Uninstaller(PackageDatabase &packages, DetachedShell &shell, Environment environment)
    : m_packages(packages), m_shell(shell), m_environment(std::move(environment))
{}

QString Uninstaller::deletionScript()
{
    // Waits (at most ten seconds) for the application to end, then deletes exactly the paths given.
    return QStringLiteral("n=0; while [ \"$n\" -lt 100 ] && kill -0 \"$1\" 2>/dev/null; do sleep 0.1; "
                          "n=$((n+1)); done; shift; rm -rf -- \"$@\"");
}

Uninstaller::Plan Uninstaller::plan() const
{
    Plan plan;
    plan.bundlePath = m_environment.bundlePath;
    plan.supportFolder = SupportFolder::path();
    plan.settingsFile = AppSettings::filePath();
    plan.installation = AppBundle::inspect(m_environment.bundlePath, m_packages);
    if (plan.installation.kind == AppBundle::Installation::Kind::ownBundle) {
        plan.scheduledDeletions << m_environment.bundlePath;
        const QString backup = AppBundle::backupPath(m_environment.bundlePath);
        if (AppBundle::isKestrixBundle(backup)) {
            plan.scheduledDeletions << backup;
        }
        // An update prepared but never installed waits in a hidden staging folder beside it.
        const QDir folder = QFileInfo(m_environment.bundlePath).absoluteDir();
        for (const QFileInfo &staged :
             folder.entryInfoList({QLatin1String(AppBundle::stagingPrefix) + QLatin1Char('*')},
                                  QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
            if (!staged.isSymLink()) {
                plan.scheduledDeletions << staged.absoluteFilePath();
            }
        }
    }
    return plan;
}

void Uninstaller::run()
{
    const Plan toDo = plan();

    // Links inside the folder (calendars the user linked in) are removed, never followed.
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(toDo.supportFolder).toStdString()), ignored);

    {
        const auto settings = AppSettings::open();
        settings->clear();
    }
    QFile::remove(toDo.settingsFile);

    if (!toDo.scheduledDeletions.isEmpty()) {
        m_shell.startDetached(deletionScript(),
                              QStringList{QString::number(m_environment.processId)} + toDo.scheduledDeletions);
    }
    if (m_environment.terminate) {
        m_environment.terminate();
    }
}
