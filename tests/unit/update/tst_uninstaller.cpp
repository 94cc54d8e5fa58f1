#include "platform/linux/update/PosixDetachedShell.h"
#include "platform/linux/update/SystemPackageDatabase.h"
#include "support/BundleTestSupport.h"
#include "support/TestMain.h"
#include "update/Uninstaller.h"
#include "util/AppSettings.h"
#include "util/SupportFolder.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace BundleTestSupport;
using InstallKind = AppBundle::Installation::Kind;

class UninstallerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    FakePackageDatabase m_packages;
    RecordingShell m_shell;
    int m_terminations = 0;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString bundle() const { return path(QStringLiteral("apps/Kestrix.app")); }

    Uninstaller::Environment environment(const QString &bundlePath)
    {
        return {bundlePath, 0, [this] {
                    ++m_terminations;
                }};
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
        QVERIFY(SupportFolder::ensure());
        QVERIFY(writeFile(SupportFolder::path() + QStringLiteral("/control.sock"), {}));
        // A calendar folder the user linked in from elsewhere.
        QVERIFY(writeFile(path(QStringLiteral("my calendars/work.ics")), "BEGIN:VCALENDAR"));
        QVERIFY(QDir().mkpath(SupportFolder::path() + QStringLiteral("/Calendars")));
        QVERIFY(QFile::link(path(QStringLiteral("my calendars")),
                            SupportFolder::path() + QStringLiteral("/Calendars/work")));
        AppSettings::open()->setValue(QStringLiteral("legalAgreement.acceptedVersion"), 2);
        QVERIFY(QFileInfo::exists(AppSettings::filePath()));
        QVERIFY(makeBundle(bundle(), "current"));
        QVERIFY(writeFile(path(QStringLiteral("apps/neighbour.txt")), "stays"));
        m_packages.owners.clear();
        m_shell.runs.clear();
        m_terminations = 0;
    }

    void removesEverythingOnceTheApplicationHasQuit()
    {
        QVERIFY(makeBundle(bundle() + QStringLiteral(".previous"), "older"));
        const QString staged = path(QStringLiteral("apps/.Kestrix-staged-AB"));
        QVERIFY(makeBundle(staged + QStringLiteral("/Kestrix.app"), "prepared"));
        QProcess app; // stands in for the running application
        app.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
        QVERIFY(app.waitForStarted());
        PosixDetachedShell shell;
        Uninstaller uninstaller(m_packages, shell, {bundle(), app.processId(), [&app] {
                                                        app.kill();
                                                    }});

        const auto plan = uninstaller.plan();
        QCOMPARE(plan.installation.kind, InstallKind::ownBundle);
        QCOMPARE(plan.scheduledDeletions, (QStringList{bundle(), bundle() + QStringLiteral(".previous"), staged}));
        uninstaller.run();

        QVERIFY(!QFileInfo::exists(SupportFolder::path()));
        QVERIFY(!QFileInfo::exists(AppSettings::filePath()));
        QVERIFY(QTest::qWaitFor(
            [&] { return !QFileInfo::exists(bundle()) && !QFileInfo::exists(bundle() + QStringLiteral(".previous")); },
            20000));
        QVERIFY(QTest::qWaitFor([&] { return !QFileInfo::exists(staged); }, 20000));
        // Only what belongs to Kestrix went.
        QVERIFY(QFileInfo(path(QStringLiteral("my calendars/work.ics"))).isFile());
        QCOMPARE(QDir(path(QStringLiteral("apps"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("neighbour.txt")});
    }

    void backupThatIsNotAKestrixBundleStays()
    {
        QVERIFY(writeFile(bundle() + QStringLiteral(".previous/notes.txt"), "mine"));
        Uninstaller uninstaller(m_packages, m_shell, environment(bundle()));
        uninstaller.run();
        QCOMPARE(m_shell.runs.size(), 1);
        QCOMPARE(m_shell.runs[0].first, Uninstaller::deletionScript());
        QCOMPARE(m_shell.runs[0].second, (QStringList{QStringLiteral("0"), bundle()}));
        QCOMPARE(m_terminations, 1);
    }

    void copiesItDoesNotOwnAreLeftInPlace_data()
    {
        QTest::addColumn<QString>("bundlePath");
        QTest::addColumn<QString>("package");
        QTest::addColumn<InstallKind>("expected");
        QTest::newRow("package manager's bundle") << "apps/Kestrix.app"
                                                  << "kestrix" << InstallKind::packageManaged;
        QTest::newRow("package manager's prefix") << "usr"
                                                  << "kestrix" << InstallKind::packageManaged;
        QTest::newRow("installed prefix") << "usr"
                                          << "" << InstallKind::notABundle;
        QTest::newRow("home prefix") << "home/.local"
                                     << "" << InstallKind::notABundle;
    }
    void copiesItDoesNotOwnAreLeftInPlace()
    {
        QFETCH(QString, bundlePath);
        QFETCH(QString, package);
        QFETCH(InstallKind, expected);
        const QString root = path(bundlePath);
        QVERIFY(root == bundle() || makeBundle(root, "installed"));
        if (!package.isEmpty()) {
            m_packages.owners.insert(root + QStringLiteral("/bin/kestrix"), package);
        }
        Uninstaller uninstaller(m_packages, m_shell, environment(root));
        const auto plan = uninstaller.plan();
        QCOMPARE(plan.installation.kind, expected);
        QCOMPARE(plan.installation.packageName, package);
        QCOMPARE(plan.scheduledDeletions, QStringList());

        uninstaller.run();
        QCOMPARE(m_shell.runs.size(), 0);
        QVERIFY(QFileInfo(root + QStringLiteral("/bin/kestrix")).isFile());
        // The user's own data still goes.
        QVERIFY(!QFileInfo::exists(SupportFolder::path()));
        QVERIFY(!QFileInfo::exists(AppSettings::filePath()));
        QCOMPARE(m_terminations, 1);
    }

    void dpkgAnswersAreReadForExactlyThePathAsked()
    {
        const QString exe = QStringLiteral("/usr/bin/kestrix");
        const auto read = [&exe](const char *output) {
            return SystemPackageDatabase::packageFromDpkgOutput(QString::fromLatin1(output), exe);
        };
        QCOMPARE(read("kestrix: /usr/bin/kestrix\n"), std::optional(QStringLiteral("kestrix")));
        QCOMPARE(read("kestrix:amd64, kestrix-extra: /usr/bin/kestrix\n"),
                 std::optional(QStringLiteral("kestrix:amd64")));
        QCOMPARE(read("diversion by kx from: /usr/bin/kestrix\nkestrix: /usr/bin/kestrix\n"),
                 std::optional(QStringLiteral("kestrix")));
        // A pattern match on another path is not an answer.
        QCOMPARE(read("kestrix-tools: /usr/bin/kestrix-sign\n"), std::nullopt);
        QCOMPARE(read(""), std::nullopt);
    }

    void runningTwiceIsHarmless()
    {
        Uninstaller uninstaller(m_packages, m_shell, environment(bundle()));
        uninstaller.run();
        uninstaller.run();
        QCOMPARE(m_terminations, 2);
        QVERIFY(!QFileInfo::exists(SupportFolder::path()));
        QVERIFY(!QFileInfo::exists(AppSettings::filePath()));
        // The bundle was not deleted (the shell here deletes nothing), so it is scheduled again.
        QCOMPARE(m_shell.runs.size(), 2);
        QCOMPARE(m_shell.runs[1].second, (QStringList{QStringLiteral("0"), bundle()}));
    }
};

QTEST_GUILESS_MAIN(UninstallerTest)
#include "tst_uninstaller.moc"
