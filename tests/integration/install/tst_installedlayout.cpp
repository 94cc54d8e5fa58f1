#include "support/BuildPaths.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {
struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// "what: where" lines as `kestrix --version --verbose` prints them.
QMap<QString, QString> fields(const QString &text)
{
    QMap<QString, QString> map;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(QStringLiteral(": "));
        if (colon > 0) {
            map.insert(line.left(colon), line.mid(colon + 2));
        }
    }
    return map;
}
} // namespace

// The installed layout, as the Debian package lays it out below /usr: the installed kestrix finds
// every resource there (not in the build tree), and its self-updater refuses to replace it.
class InstalledLayoutTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_root;
    QString m_usr;
    QProcessEnvironment m_terminal;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_usr = m_root.filePath(QStringLiteral("usr"));
        QProcessEnvironment install = QProcessEnvironment::systemEnvironment();
        install.insert(QStringLiteral("DESTDIR"), m_root.path());
        const Run installed = run(kestrix::buildpaths::cmake(),
                                  {QStringLiteral("--install"), kestrix::buildpaths::buildDir(),
                                   QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                  install);
        QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));

        // A terminal without a desktop session, with nothing pointing at the build tree.
        m_terminal = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LD_LIBRARY_PATH"}) {
            m_terminal.remove(QString::fromLatin1(name));
        }
        m_terminal.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("home/config")));
        m_terminal.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("home/data")));
    }

    void laysOutADesktopApplication()
    {
        const QString usr = m_usr + QLatin1Char('/');
        const QStringList expected{
            usr + QStringLiteral("bin/kestrix"),
            usr + QStringLiteral("bin/kestrix-signal"),
            usr + QStringLiteral("bin/kestrix-devsim"),
            usr + QStringLiteral("lib/udev/rules.d/70-dorvel.rules"),
            usr + QStringLiteral("share/applications/io.tamsel.desktop.desktop"),
            usr + QStringLiteral("share/metainfo/io.tamsel.desktop.metainfo.xml"),
            usr + QStringLiteral("share/icons/hicolor/48x48/apps/io.tamsel.desktop.png"),
            usr + QStringLiteral("share/icons/hicolor/256x256/apps/io.tamsel.desktop.png"),
            usr + QStringLiteral("share/man/man1/kestrix.1.gz"),
            usr + QStringLiteral("share/man/man1/kestrix-signal.1.gz"),
            usr + QStringLiteral("share/man/man1/kestrix-devsim.1.gz"),
            usr + QStringLiteral("share/doc/kestrix/copyright"),
            m_root.filePath(QStringLiteral("etc/xdg/autostart/io.tamsel.desktop.desktop")),
        };
        for (const QString &path : expected) {
            QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
        }
    }

    void installedKestrixFindsItsResourcesThere()
    {
        const Run version = run(m_usr + QStringLiteral("/bin/kestrix"),
                                {QStringLiteral("--version"), QStringLiteral("--verbose")}, m_terminal);
        QVERIFY2(version.exitCode == 0, qPrintable(version.err));
        QVERIFY(version.out.startsWith(QStringLiteral("Kestrix " KESTRIX_VERSION "\n")));
        const auto found = fields(version.out);
        const QString shared = m_usr + QStringLiteral("/share/kestrix/");
        QCOMPARE(found.value(QStringLiteral("menu bar icon")), shared + QStringLiteral("MenuBarIcon.png"));
        QCOMPARE(found.value(QStringLiteral("display icon")), shared + QStringLiteral("AppIconDisplay.png"));
        QCOMPARE(found.value(QStringLiteral("setup guide")),
                 shared + QStringLiteral("Advanced Setup (Terminal + AI Hooks).pdf"));
        // An installed prefix is no bundle the updater may swap: it says so instead of breaking
        // the installation after the application has quit.
        const QString selfUpdate = found.value(QStringLiteral("self-update"));
        QVERIFY2(selfUpdate.startsWith(QStringLiteral("off")), qPrintable(selfUpdate));
        QVERIFY(selfUpdate.contains(QStringLiteral("update it through your package manager")));
    }

    void installedToolsRun()
    {
        const Run signal = run(m_usr + QStringLiteral("/bin/kestrix-signal"), {QStringLiteral("--help")}, m_terminal);
        QCOMPARE(signal.exitCode, 0);
        const QString image = m_root.filePath(QStringLiteral("demo.bin"));
        const Run devsim = run(
            m_usr + QStringLiteral("/bin/kestrix-devsim"),
            {QStringLiteral("--make-image"), image, QStringLiteral("--version"), QStringLiteral("1.2.3")}, m_terminal);
        QVERIFY2(devsim.exitCode == 0, qPrintable(devsim.err));
        QVERIFY(QFileInfo(image).size() > 0);
    }
};

QTEST_GUILESS_MAIN(InstalledLayoutTest)
#include "tst_installedlayout.moc"
