#include "platform/linux/PosixDetachedShell.h"
#include "platform/linux/SodiumArchiveBundleTools.h"
#include "support/BundleTestSupport.h"
#include "support/LocalHttpServer.h"
#include "update/AppUpdater.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using namespace BundleTestSupport;
using Kind = AppUpdater::State::Kind;

namespace {

const QString imageRoute = QStringLiteral("/downloads/Kestrix-0.3.0.tar.gz");

QByteArray manifestJson(const QString &version, const QString &asset)
{
    return QStringLiteral("{\"version\": \"%1\", \"asset\": \"%2\", \"notes\": [1]}").arg(version, asset).toUtf8();
}

LocalHttpServer::Response answer(QByteArray body, int status = 200, std::chrono::milliseconds delay = 0ms)
{
    LocalHttpServer::Response response;
    response.body = std::move(body);
    response.status = status;
    response.delay = delay;
    return response;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// For failure messages.
char *toString(const AppUpdater::State &state)
{
    return QTest::toString(QStringLiteral("State(%1, %2, %3, %4)")
                               .arg(int(state.kind))
                               .arg(state.version, state.downloadURL.toString(), message(state.error)));
}

class AppUpdaterTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<SodiumArchiveBundleTools> m_tools;
    FakePackageDatabase m_packages;
    RecordingShell m_shell;
    QString m_teamKey, m_otherTeamKey, m_untrustedKey;
    int m_terminations = 0;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString runningBundle() const { return path(QStringLiteral("apps/Kestrix.app")); }
    QString temporary() const { return path(QStringLiteral("tmp")); }

    // Makes a key pair; returns the secret key file and adds the public key to `trusted` if asked.
    QString makeKey(const QString &name, std::vector<BundleSigning::PublicKey> *trusted)
    {
        const QString file = path(name);
        const auto output = runSign({QStringLiteral("keygen"), file});
        if (output && trusted) {
            trusted->push_back(*BundleSigning::parsePublicKey(output->section(QLatin1Char('\n'), 0, 0).toStdString()));
        }
        return file;
    }

    // A release image of a new bundle, as `prepare` leaves the bundle folder before packing.
    QByteArray releaseImage(const QString &name, const std::function<void(const QString &bundle)> &prepare)
    {
        const QString bundle = path(name + QStringLiteral("/Kestrix.app"));
        const QString image = path(name + QStringLiteral(".tar.gz"));
        if (!makeBundle(bundle, "new", path(QStringLiteral("started")))) {
            return {};
        }
        prepare(bundle);
        return runSign({QStringLiteral("pack"), bundle, image}) ? readAll(image) : QByteArray();
    }
    QByteArray signedImage(const QString &name, const QString &key)
    {
        return releaseImage(name, [&](const QString &bundle) {
            QVERIFY(runSign({QStringLiteral("sign"), key, bundle}));
        });
    }

    AppUpdater::Environment environment()
    {
        AppUpdater::Environment e;
        e.manifestURL = m_server->url(AppUpdater::manifestPath());
        e.runningVersion = QStringLiteral("0.2.7");
        e.runningBundlePath = runningBundle();
        e.temporaryDirectory = temporary();
        e.manifestTimeout = 5s;
        e.downloadTimeout = 5s;
        e.processId = 0;
        e.terminate = [this] {
            ++m_terminations;
        };
        return e;
    }

    void publish(const QString &version, const QByteArray &image)
    {
        m_server->serve(AppUpdater::manifestPath(), manifestJson(version, imageRoute));
        m_server->serve(imageRoute, image);
    }

    static void check(AppUpdater &updater, bool silent)
    {
        QSignalSpy finished(&updater, &AppUpdater::checkFinished);
        silent ? updater.checkSilently() : updater.checkNow();
        QVERIFY(finished.wait(10000));
    }
    static void prepare(AppUpdater &updater)
    {
        QSignalSpy finished(&updater, &AppUpdater::preparationFinished);
        updater.startInstall();
        QVERIFY(finished.wait(30000));
    }

    QStringList temporaryEntries(const QString &prefix) const
    {
        return QDir(temporary()).entryList({prefix + QLatin1Char('*')}, QDir::AllEntries | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<LocalHttpServer>();
        QVERIFY(m_server->isListening());
        QVERIFY(QDir().mkpath(temporary()));
        std::vector<BundleSigning::PublicKey> trusted;
        m_teamKey = makeKey(QStringLiteral("team.key"), &trusted);
        m_otherTeamKey = makeKey(QStringLiteral("other-team.key"), &trusted);
        m_untrustedKey = makeKey(QStringLiteral("untrusted.key"), nullptr);
        QCOMPARE(trusted.size(), std::size_t(2));
        m_tools = std::make_unique<SodiumArchiveBundleTools>(trusted);
        QVERIFY(makeBundle(runningBundle(), "old", path(QStringLiteral("started"))));
        QVERIFY(runSign({QStringLiteral("sign"), m_teamKey, runningBundle()}));
        m_packages.owners.clear();
        m_shell.runs.clear();
        m_terminations = 0;
    }

    void checkComparesVersions_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("published");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<Kind>("expected");
        QTest::newRow("10 is newer than 2") << "1.4.2"
                                            << "1.4.10" << false << Kind::available;
        QTest::newRow("newer, silent") << "0.2.7"
                                       << "0.3.0" << true << Kind::available;
        QTest::newRow("same") << "0.2.7"
                              << "0.2.7" << false << Kind::upToDate;
        QTest::newRow("same, silent") << "0.2.7"
                                      << "0.2.7" << true << Kind::upToDate;
        QTest::newRow("older") << "0.2.7"
                               << "0.2.6" << false << Kind::upToDate;
        QTest::newRow("two-part running") << "1.5"
                                          << "1.6.0" << false << Kind::error;
        QTest::newRow("two-part running, silent") << "1.5"
                                                  << "1.6.0" << true << Kind::idle;
        QTest::newRow("published out of range") << "0.2.7"
                                                << "0.2.300" << false << Kind::error;
    }
    void checkComparesVersions()
    {
        QFETCH(QString, running);
        QFETCH(QString, published);
        QFETCH(bool, silent);
        QFETCH(Kind, expected);
        m_server->serve(AppUpdater::manifestPath(),
                        manifestJson(published, QStringLiteral("../../downloads/K.tar.gz")));
        auto e = environment();
        e.runningVersion = running;
        AppUpdater updater(*m_tools, m_packages, m_shell, e);
        QList<Kind> seen;
        connect(&updater, &AppUpdater::stateChanged, this, [&] { seen.append(updater.state().kind); });
        check(updater, silent);

        QCOMPARE(updater.state().kind, expected);
        QCOMPARE(seen.contains(Kind::checking), !silent);
        if (expected == Kind::available) {
            // The asset is resolved against the manifest's own URL.
            const QUrl url = m_server->url(QStringLiteral("/downloads/K.tar.gz"));
            QCOMPARE(updater.state(), AppUpdater::State::available(published, url));
            QCOMPARE(updater.pendingUpdate(), std::optional(AppUpdater::PendingUpdate{published, url}));
        } else {
            QVERIFY(!updater.pendingUpdate());
        }
    }

    void failedChecks_data()
    {
        QTest::addColumn<LocalHttpServer::Response>("manifest");
        QTest::newRow("not published") << answer("not found", 404);
        QTest::newRow("server error with a manifest body")
            << answer(manifestJson(QStringLiteral("9.9.9"), imageRoute), 500);
        QTest::newRow("not JSON") << answer("<html>");
        QTest::newRow("no asset") << answer("{\"version\": \"9.9.9\"}");
        QTest::newRow("asset not a string") << answer("{\"version\": \"9.9.9\", \"asset\": 7}");
        QTest::newRow("version not a string") << answer("{\"version\": 9, \"asset\": \"a\"}");
        QTest::newRow("local file asset")
            << answer(manifestJson(QStringLiteral("9.9.9"), QStringLiteral("file:///etc/passwd")));
        QTest::newRow("empty asset") << answer(manifestJson(QStringLiteral("9.9.9"), QString()));
        // The server answers long after the request's own time-out.
        QTest::newRow("too slow") << answer(manifestJson(QStringLiteral("9.9.9"), imageRoute), 200, 5s);
    }
    void failedChecks()
    {
        QFETCH(LocalHttpServer::Response, manifest);
        m_server->serve(AppUpdater::manifestPath(), manifest);
        auto e = environment();
        e.manifestTimeout = 300ms;
        AppUpdater updater(*m_tools, m_packages, m_shell, e);
        check(updater, false);
        QCOMPARE(updater.state().kind, Kind::error);
        check(updater, true);
        QCOMPARE(updater.state().kind, Kind::idle);
        QVERIFY(!updater.pendingUpdate());
    }

    void upToDateKeepsTheUpdateFoundBefore()
    {
        publish(QStringLiteral("0.3.0"), "x");
        AppUpdater updater(*m_tools, m_packages, m_shell, environment());
        check(updater, true);
        const auto pending = updater.pendingUpdate();
        QVERIFY(pending);
        publish(QStringLiteral("0.2.7"), "x");
        check(updater, true);
        QCOMPARE(updater.state().kind, Kind::upToDate);
        QCOMPARE(updater.pendingUpdate(), pending);
    }

    void preparationStagesAVerifiedCopy()
    {
        publish(QStringLiteral("0.3.0"), signedImage(QStringLiteral("release"), m_teamKey));
        AppUpdater updater(*m_tools, m_packages, m_shell, environment());
        check(updater, false);
        QList<AppUpdater::State> seen;
        connect(&updater, &AppUpdater::stateChanged, this, [&] { seen.append(updater.state()); });
        prepare(updater);

        const QString version = QStringLiteral("0.3.0");
        QCOMPARE(seen, (QList{AppUpdater::State::downloading(version), AppUpdater::State::verifying(version),
                              AppUpdater::State::readyToInstall(version)}));
        const auto staged = updater.stagedAppPath();
        QVERIFY(staged);
        const QString stagedFolder = QFileInfo(*staged).absolutePath();
        QCOMPARE(QFileInfo(stagedFolder).absolutePath(), temporary());
        QVERIFY(QRegularExpression(QStringLiteral("^Kestrix-staged-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"))
                    .match(QFileInfo(stagedFolder).fileName())
                    .hasMatch());
        QVERIFY(m_tools->verifyStrict(*staged));
        QVERIFY(readAll(*staged + QStringLiteral("/bin/kestrix")).contains("# new"));
        // The image was detached and deleted.
        QCOMPARE(temporaryEntries(QStringLiteral("Kestrix-update-")), QStringList());
        QCOMPARE(temporaryEntries(QStringLiteral("Kestrix-mount-")), QStringList());
        QCOMPARE(m_shell.runs.size(), 0);
    }

    void failedPreparations_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<AppUpdateError>("expected");
        QTest::newRow("image missing") << "missing" << AppUpdateError::downloadFailed;
        QTest::newRow("cut short") << "truncated" << AppUpdateError::downloadFailed;
        QTest::newRow("not an image") << "garbage" << AppUpdateError::mountFailed;
        QTest::newRow("unsafe image") << "escaping" << AppUpdateError::mountFailed;
        QTest::newRow("no Kestrix.app") << "other name" << AppUpdateError::appNotFoundInImage;
        QTest::newRow("unsigned") << "unsigned" << AppUpdateError::signatureVerificationFailed;
        QTest::newRow("tampered") << "tampered" << AppUpdateError::signatureVerificationFailed;
        QTest::newRow("extra file") << "extra" << AppUpdateError::signatureVerificationFailed;
        QTest::newRow("other team, trusted") << "other team" << AppUpdateError::signatureVerificationFailed;
        QTest::newRow("untrusted key") << "untrusted" << AppUpdateError::signatureVerificationFailed;
        QTest::newRow("running copy unsigned") << "running unsigned" << AppUpdateError::signatureVerificationFailed;
    }
    void failedPreparations()
    {
        QFETCH(QString, setup);
        QFETCH(AppUpdateError, expected);
        const auto sign = [this](const QString &key) {
            return [this, key](const QString &bundle) {
                QVERIFY(runSign({QStringLiteral("sign"), key, bundle}));
            };
        };
        QByteArray image;
        LocalHttpServer::Response response;
        if (setup == QLatin1String("truncated")) {
            image = signedImage(QStringLiteral("release"), m_teamKey);
            response = answer(image);
            response.truncateAfter = image.size() / 2;
        } else if (setup == QLatin1String("garbage")) {
            image = QByteArray(10000, '\x1f');
        } else if (setup == QLatin1String("escaping") || setup == QLatin1String("other name")) {
            // Made with tar itself: kestrix-sign only ever packs a Kestrix.app.
            QVERIFY(makeBundle(path(QStringLiteral("odd/Other.app")), "new"));
            QVERIFY(QFile::link(QStringLiteral("/etc"), path(QStringLiteral("odd/Other.app/etc"))));
            const QString member =
                setup == QLatin1String("escaping") ? QStringLiteral("Other.app/etc") : QStringLiteral("Other.app/bin");
            const QString target = path(QStringLiteral("odd.tar.gz"));
            QCOMPARE(QProcess::execute(QStringLiteral("/bin/tar"), {QStringLiteral("-C"), path(QStringLiteral("odd")),
                                                                    QStringLiteral("-czf"), target, member}),
                     0);
            image = readAll(target);
        } else if (setup == QLatin1String("unsigned")) {
            image = releaseImage(QStringLiteral("release"), [](const QString &) {});
        } else if (setup == QLatin1String("tampered") || setup == QLatin1String("extra")) {
            image = releaseImage(QStringLiteral("release"), [&](const QString &bundle) {
                sign(m_teamKey)(bundle);
                const QString file =
                    setup == QLatin1String("tampered") ? QStringLiteral("/bin/kestrix") : QStringLiteral("/bin/helper");
                QVERIFY(writeFile(bundle + file, "#!/bin/sh\necho changed\n", true));
            });
        } else if (setup == QLatin1String("other team")) {
            image = releaseImage(QStringLiteral("release"), sign(m_otherTeamKey));
        } else if (setup == QLatin1String("untrusted")) {
            image = releaseImage(QStringLiteral("release"), sign(m_untrustedKey));
        } else {
            image = signedImage(QStringLiteral("release"), m_teamKey);
            if (setup == QLatin1String("running unsigned")) {
                QVERIFY(QDir(runningBundle() + QStringLiteral("/_CodeSignature")).removeRecursively());
            }
        }
        publish(QStringLiteral("0.3.0"), image);
        if (setup == QLatin1String("missing")) {
            m_server->remove(imageRoute);
        } else if (setup == QLatin1String("truncated")) {
            m_server->serve(imageRoute, response);
        }

        AppUpdater updater(*m_tools, m_packages, m_shell, environment());
        check(updater, true);
        prepare(updater);
        QCOMPARE(updater.state(), AppUpdater::State::installFailed(expected));
        QVERIFY(!updater.stagedAppPath());
        // Whatever was attached was detached again.
        for (const QString &mount : temporaryEntries(QStringLiteral("Kestrix-mount-"))) {
            QCOMPARE(QDir(temporary() + QLatin1Char('/') + mount).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList());
        }
        // The same update can be prepared again.
        QVERIFY(updater.pendingUpdate());
        updater.startInstall();
        QCOMPARE(updater.state(), AppUpdater::State::downloading(QStringLiteral("0.3.0")));
        QSignalSpy finished(&updater, &AppUpdater::preparationFinished);
        QVERIFY(finished.wait(30000));
    }

    void copiesThatCannotReplaceThemselvesFailBeforeDownloading_data()
    {
        QTest::addColumn<QString>("bundle");
        QTest::addColumn<bool>("packaged");
        QTest::newRow("package manager's") << "apps/Kestrix.app" << true;
        QTest::newRow("installed prefix") << "usr" << false;
        QTest::newRow("build tree") << "build/src" << false;
    }
    void copiesThatCannotReplaceThemselvesFailBeforeDownloading()
    {
        QFETCH(QString, bundle);
        QFETCH(bool, packaged);
        const QString bundlePath = path(bundle);
        if (bundlePath != runningBundle()) {
            QVERIFY(makeBundle(bundlePath, "old"));
            QVERIFY(runSign({QStringLiteral("sign"), m_teamKey, bundlePath}));
        }
        if (packaged) {
            m_packages.owners.insert(bundlePath + QStringLiteral("/bin/kestrix"), QStringLiteral("kestrix"));
        }
        publish(QStringLiteral("0.3.0"), signedImage(QStringLiteral("release"), m_teamKey));
        auto e = environment();
        e.runningBundlePath = bundlePath;
        AppUpdater updater(*m_tools, m_packages, m_shell, e);
        check(updater, false);
        prepare(updater);
        QCOMPARE(updater.state(), AppUpdater::State::installFailed(AppUpdateError::bundleNotReplaceable));
        QCOMPARE(m_server->requestCount(imageRoute), 0);
        updater.confirmInstall();
        QCOMPARE(m_shell.runs.size(), 0);
        QCOMPARE(m_terminations, 0);
    }

    void confirmInstallOnlyActsWhenReady()
    {
        publish(QStringLiteral("0.3.0"), signedImage(QStringLiteral("release"), m_teamKey));
        auto e = environment();
        e.processId = 4242;
        AppUpdater updater(*m_tools, m_packages, m_shell, e);
        updater.confirmInstall();
        check(updater, false);
        QCOMPARE(updater.state().kind, Kind::available);
        updater.confirmInstall();
        QCOMPARE(m_shell.runs.size(), 0);
        QCOMPARE(m_terminations, 0);

        prepare(updater);
        updater.confirmInstall();
        QCOMPARE(m_terminations, 1);
        QCOMPARE(m_shell.runs.size(), 1);
        QCOMPARE(m_shell.runs[0].first, AppUpdater::swapScript());
        QCOMPARE(m_shell.runs[0].second, (QStringList{runningBundle(), runningBundle() + QStringLiteral(".previous"),
                                                      *updater.stagedAppPath(), QStringLiteral("4242")}));
    }

    void swapReplacesTheBundleAndStartsTheNewOne()
    {
        // Quoting is put to the test by the folder's name.
        const QString apps = path(QStringLiteral("my apps $HOME 'q'"));
        const QString bundle = apps + QStringLiteral("/Kestrix.app");
        QVERIFY(QDir().rename(path(QStringLiteral("apps")), apps));
        QVERIFY(makeBundle(bundle + QStringLiteral(".previous"), "older"));
        QVERIFY(writeFile(apps + QStringLiteral("/neighbour.txt"), "stays"));
        publish(QStringLiteral("0.3.0"), signedImage(QStringLiteral("release"), m_teamKey));

        // Stands in for the running application: the swap waits for it to end.
        QProcess app;
        app.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
        QVERIFY(app.waitForStarted());
        PosixDetachedShell shell;
        auto e = environment();
        e.runningBundlePath = bundle;
        e.processId = app.processId();
        e.terminate = [&app] {
            app.kill();
        };
        AppUpdater updater(*m_tools, m_packages, shell, e);
        check(updater, false);
        prepare(updater);
        QCOMPARE(updater.state().kind, Kind::readyToInstall);
        const QString staged = *updater.stagedAppPath();

        updater.confirmInstall();
        const QString marker = path(QStringLiteral("started"));
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(marker) && readAll(marker).endsWith("\n"); }, 20000));
        QCOMPARE(readAll(marker), QFile::encodeName(bundle) + "\nnew\n");
        QVERIFY(readAll(bundle + QStringLiteral("/bin/kestrix")).contains("# new"));
        QVERIFY(readAll(bundle + QStringLiteral(".previous/bin/kestrix")).contains("# old"));
        QVERIFY(m_tools->verifyStrict(bundle));
        QVERIFY(!QFileInfo::exists(staged));
        QCOMPARE(readAll(apps + QStringLiteral("/neighbour.txt")), QByteArray("stays"));
        QCOMPARE(QDir(apps).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("Kestrix.app"), QStringLiteral("Kestrix.app.previous"),
                              QStringLiteral("neighbour.txt")}));
    }

    void swapPutsTheOldBundleBackWhenTheNewOneCannotMoveIn()
    {
        QProcess ended;
        ended.start(QStringLiteral("/bin/true"));
        QVERIFY(ended.waitForStarted());
        const QString endedId = QString::number(ended.processId());
        QVERIFY(ended.waitForFinished());

        PosixDetachedShell shell;
        QVERIFY(shell.startDetached(AppUpdater::swapScript(),
                                    {runningBundle(), runningBundle() + QStringLiteral(".previous"),
                                     path(QStringLiteral("tmp/Kestrix-staged-gone/Kestrix.app")), endedId}));
        const QString marker = path(QStringLiteral("started"));
        QVERIFY(QTest::qWaitFor([&] { return readAll(marker).endsWith("\n"); }, 20000));
        QCOMPARE(readAll(marker), QFile::encodeName(runningBundle()) + "\nold\n");
        QVERIFY(m_tools->verifyStrict(runningBundle()));
    }
};

QTEST_GUILESS_MAIN(AppUpdaterTest)
#include "tst_appupdater.moc"
