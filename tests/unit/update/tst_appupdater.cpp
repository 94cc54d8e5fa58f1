#include "platform/linux/update/PosixDetachedShell.h"
#include "platform/linux/update/SodiumArchiveBundleTools.h"
#include "support/BundleTestSupport.h"
#include "support/LocalHttpServer.h"
#include "support/TestMain.h"
#include "update/AppUpdater.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <atomic>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>

using namespace std::chrono_literals;
using namespace BundleTestSupport;
using StateKind = AppUpdater::State::Kind;

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

// Takes away the calling thread's power to write regardless of file modes (root's), and that of
// the threads it starts meanwhile. Restored on destruction.
class WithoutFileAccessOverride {
public:
    WithoutFileAccessOverride()
    {
        ::syscall(SYS_capget, &m_header, m_saved.data());
        auto reduced = m_saved;
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        ::syscall(SYS_capset, &m_header, reduced.data());
    }
    ~WithoutFileAccessOverride() { ::syscall(SYS_capset, &m_header, m_saved.data()); }
    WithoutFileAccessOverride(const WithoutFileAccessOverride &) = delete;
    WithoutFileAccessOverride &operator=(const WithoutFileAccessOverride &) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> m_saved{};
};

// The largest resident memory of this process since the last call, in KiB (0 if unknown).
qint64 residentPeakSinceLastCall()
{
    QFile status(QStringLiteral("/proc/self/status"));
    qint64 peak = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:")) {
                peak = line.mid(6).trimmed().split(' ').value(0).toLongLong();
            }
        }
    }
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly)) {
        reset.write("5"); // resets the peak to the current resident size
    }
    return peak;
}

// Bundle tools that change the staged copy after it was made (when the image is detached), as a
// faulty copy or anything else writing there would; everything else is the real tools' work.
class TamperingBundleTools final : public BundleTools {
public:
    TamperingBundleTools(BundleTools &real, QString stagingParent) : m_real(real), m_parent(std::move(stagingParent)) {}
    bool attachImage(const QString &image, const QString &mountPoint) override
    {
        return m_real.attachImage(image, mountPoint);
    }
    bool detachImage(const QString &mountPoint) override
    {
        for (const QString &folder : QDir(m_parent).entryList({QStringLiteral(".Kestrix-staged-*")},
                                                              QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
            QFile executable(m_parent + QLatin1Char('/') + folder + QStringLiteral("/Kestrix.app/bin/kestrix"));
            if (executable.open(QIODevice::Append)) {
                executable.write("echo injected\n");
                ++tampered;
            }
        }
        return m_real.detachImage(mountPoint);
    }
    bool verifyStrict(const QString &bundle) override { return m_real.verifyStrict(bundle); }
    bool assess(const QString &bundle) override { return m_real.assess(bundle); }
    std::optional<QString> teamIdentifier(const QString &bundle) override { return m_real.teamIdentifier(bundle); }
    std::optional<SignedRelease> signedRelease(const QString &bundle) override { return m_real.signedRelease(bundle); }
    std::atomic<int> tampered = 0;

private:
    BundleTools &m_real;
    QString m_parent;
};

// A shell that cannot be started.
class UnstartableShell final : public DetachedShell {
public:
    bool startDetached(const QString &, const QStringList &) override { return false; }
};

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
    QString apps() const { return path(QStringLiteral("apps")); }
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
    QByteArray signedImage(const QString &name, const QString &key, const QString &version = QStringLiteral("0.3.0"))
    {
        return releaseImage(name, [&](const QString &bundle) {
            QVERIFY(runSign({QStringLiteral("sign"), key, bundle, version}));
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
        QVERIFY(runSign({QStringLiteral("sign"), m_teamKey, runningBundle(), QStringLiteral("0.2.7")}));
        m_packages.owners.clear();
        m_shell.runs.clear();
        m_terminations = 0;
    }

    void checkComparesVersions_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("published");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<StateKind>("expected");
        QTest::newRow("10 is newer than 2") << "1.4.2"
                                            << "1.4.10" << false << StateKind::available;
        QTest::newRow("newer, silent") << "0.2.7"
                                       << "0.3.0" << true << StateKind::available;
        QTest::newRow("same") << "0.2.7"
                              << "0.2.7" << false << StateKind::upToDate;
        QTest::newRow("same, silent") << "0.2.7"
                                      << "0.2.7" << true << StateKind::upToDate;
        QTest::newRow("older") << "0.2.7"
                               << "0.2.6" << false << StateKind::upToDate;
        QTest::newRow("two-part running") << "1.5"
                                          << "1.6.0" << false << StateKind::error;
        QTest::newRow("two-part running, silent") << "1.5"
                                                  << "1.6.0" << true << StateKind::idle;
        QTest::newRow("published out of range") << "0.2.7"
                                                << "0.2.300" << false << StateKind::error;
    }
    void checkComparesVersions()
    {
        QFETCH(QString, running);
        QFETCH(QString, published);
        QFETCH(bool, silent);
        QFETCH(StateKind, expected);
        m_server->serve(AppUpdater::manifestPath(),
                        manifestJson(published, QStringLiteral("../../downloads/K.tar.gz")));
        auto e = environment();
        e.runningVersion = running;
        AppUpdater updater(*m_tools, m_packages, m_shell, e);
        QList<StateKind> seen;
        connect(&updater, &AppUpdater::stateChanged, this, [&] { seen.append(updater.state().kind); });
        check(updater, silent);

        QCOMPARE(updater.state().kind, expected);
        QCOMPARE(seen.contains(StateKind::checking), !silent);
        if (expected == StateKind::available) {
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
        // A manifest is at most 1 MiB; a server sending more is not read to the end.
        QByteArray huge = manifestJson(QStringLiteral("9.9.9"), imageRoute);
        huge.append(1024 * 1024 + 1 - huge.size(), ' ');
        QTest::newRow("past 1 MiB") << answer(huge);
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
        QCOMPARE(updater.state().kind, StateKind::error);
        check(updater, true);
        QCOMPARE(updater.state().kind, StateKind::idle);
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
        QCOMPARE(updater.state().kind, StateKind::upToDate);
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
        // Staged in a hidden folder beside the running bundle: the swap renames within one folder.
        const QString stagedFolder = QFileInfo(*staged).absolutePath();
        QCOMPARE(QFileInfo(stagedFolder).absolutePath(), apps());
        QVERIFY(QRegularExpression(QStringLiteral("^\\.Kestrix-staged-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"))
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
        // Signed by the right team, but not the release the manifest offers.
        QTest::newRow("older release replayed") << "signed 0.2.0" << AppUpdateError::signatureVerificationFailed;
        QTest::newRow("running release replayed") << "signed 0.2.7" << AppUpdateError::signatureVerificationFailed;
        QTest::newRow("other version than published") << "signed 0.3.1" << AppUpdateError::signatureVerificationFailed;
        QTest::newRow("another application") << "foreign" << AppUpdateError::signatureVerificationFailed;
    }
    void failedPreparations()
    {
        QFETCH(QString, setup);
        QFETCH(AppUpdateError, expected);
        const auto sign = [this](const QString &key) {
            return [this, key](const QString &bundle) {
                QVERIFY(runSign({QStringLiteral("sign"), key, bundle, QStringLiteral("0.3.0")}));
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
        } else if (setup.startsWith(QLatin1String("signed "))) {
            image = signedImage(QStringLiteral("release"), m_teamKey, setup.mid(7));
        } else if (setup == QLatin1String("foreign")) {
            image = releaseImage(QStringLiteral("release"), [this](const QString &bundle) {
                QVERIFY(runSign({QStringLiteral("sign"), QStringLiteral("--identifier"),
                                 QStringLiteral("org.example.other"), m_teamKey, bundle, QStringLiteral("0.3.0")}));
            });
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
        // Whatever was attached was detached again, and nothing was left beside the bundle.
        for (const QString &mount : temporaryEntries(QStringLiteral("Kestrix-mount-"))) {
            QCOMPARE(QDir(temporary() + QLatin1Char('/') + mount).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList());
        }
        QCOMPARE(QDir(apps()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Kestrix.app")});
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
        QTest::addColumn<bool>("writable");
        QTest::newRow("package manager's") << "apps/Kestrix.app" << true << true;
        QTest::newRow("installed prefix") << "usr" << false << true;
        QTest::newRow("build tree") << "build/src" << false << true;
        QTest::newRow("folder not writable") << "apps/Kestrix.app" << false << false;
    }
    void copiesThatCannotReplaceThemselvesFailBeforeDownloading()
    {
        QFETCH(QString, bundle);
        QFETCH(bool, packaged);
        QFETCH(bool, writable);
        const QString bundlePath = path(bundle);
        // Root may write anywhere; this test runs without that power, as a user would (the
        // updater's worker thread is made below and inherits it).
        std::optional<WithoutFileAccessOverride> asUser;
        const auto restore = qScopeGuard([&] {
            asUser.reset();
            QFile::setPermissions(apps(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        if (!writable) {
            QVERIFY(QFile::setPermissions(apps(), QFile::ReadOwner | QFile::ExeOwner));
            asUser.emplace();
        }
        if (bundlePath != runningBundle()) {
            QVERIFY(makeBundle(bundlePath, "old"));
            QVERIFY(runSign({QStringLiteral("sign"), m_teamKey, bundlePath, QStringLiteral("0.2.7")}));
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
        QCOMPARE(updater.state().kind, StateKind::available);
        updater.confirmInstall();
        QCOMPARE(m_shell.runs.size(), 0);
        QCOMPARE(m_terminations, 0);

        prepare(updater);
        // Declining the question asked before quitting leaves everything as it was.
        bool mayQuit = false;
        updater.environment().confirmQuit = [&mayQuit] {
            return mayQuit;
        };
        updater.confirmInstall();
        QCOMPARE(m_shell.runs.size(), 0);
        QCOMPARE(updater.state().kind, StateKind::readyToInstall);
        mayQuit = true;
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
        QCOMPARE(updater.state().kind, StateKind::readyToInstall);
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
        QCOMPARE(QDir(apps).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
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

    void copyChangedAfterTheImageCheckIsRefused()
    {
        // The staged copy is what gets installed: it is checked again on its own, not trusted
        // because the image was.
        publish(QStringLiteral("0.3.0"), signedImage(QStringLiteral("release"), m_teamKey));
        TamperingBundleTools tools(*m_tools, apps());
        AppUpdater updater(tools, m_packages, m_shell, environment());
        check(updater, false);
        prepare(updater);
        QCOMPARE(tools.tampered.load(), 1);
        QCOMPARE(updater.state(), AppUpdater::State::installFailed(AppUpdateError::signatureVerificationFailed));
        QVERIFY(!updater.stagedAppPath());
        QCOMPARE(QDir(apps()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Kestrix.app")});
    }

    void confirmInstallRefusesWhatChangedSinceThePreparation_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<AppUpdateError>("expected");
        QTest::newRow("staged copy gone") << "staged gone" << AppUpdateError::bundleNotReplaceable;
        QTest::newRow("staged copy swapped for a link") << "staged link" << AppUpdateError::bundleNotReplaceable;
        QTest::newRow("staged copy moved elsewhere") << "staged moved" << AppUpdateError::bundleNotReplaceable;
        QTest::newRow("running bundle gone") << "bundle gone" << AppUpdateError::bundleNotReplaceable;
        QTest::newRow("shell cannot start") << "no shell" << AppUpdateError::installStartFailed;
    }
    void confirmInstallRefusesWhatChangedSinceThePreparation()
    {
        QFETCH(QString, change);
        QFETCH(AppUpdateError, expected);
        publish(QStringLiteral("0.3.0"), signedImage(QStringLiteral("release"), m_teamKey));
        UnstartableShell unstartable;
        DetachedShell &shell = change == QLatin1String("no shell") ? static_cast<DetachedShell &>(unstartable)
                                                                   : static_cast<DetachedShell &>(m_shell);
        AppUpdater updater(*m_tools, m_packages, shell, environment());
        check(updater, false);
        prepare(updater);
        QCOMPARE(updater.state().kind, StateKind::readyToInstall);
        const QString staged = *updater.stagedAppPath();
        const QString stagedFolder = QFileInfo(staged).absolutePath();
        if (change == QLatin1String("staged gone")) {
            QVERIFY(QDir(staged).removeRecursively());
        } else if (change == QLatin1String("staged link")) {
            QVERIFY(QDir(staged).removeRecursively());
            QVERIFY(QFile::link(runningBundle(), staged));
        } else if (change == QLatin1String("staged moved")) {
            // A whole bundle, but in a folder of its own elsewhere: the swap would cross folders.
            QVERIFY(QDir().mkpath(path(QStringLiteral("elsewhere"))));
            QVERIFY(QDir().rename(stagedFolder, path(QStringLiteral("elsewhere/.Kestrix-staged-X"))));
            QVERIFY(QFile::link(path(QStringLiteral("elsewhere/.Kestrix-staged-X")), stagedFolder));
        } else if (change == QLatin1String("bundle gone")) {
            QVERIFY(QDir().rename(runningBundle(), path(QStringLiteral("moved-away"))));
        }
        updater.confirmInstall();
        QCOMPARE(updater.state(), AppUpdater::State::installFailed(expected));
        QCOMPARE(m_shell.runs.size(), 0);
        QCOMPARE(m_terminations, 0); // Kestrix keeps running
    }

    void downloadLimits_data()
    {
        QTest::addColumn<LocalHttpServer::Response>("image");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<StateKind>("expected");
        // Bytes keep coming, so the inactivity time-out never fires: only the total limit ends it.
        LocalHttpServer::Response dripping(QByteArray(1 << 20, 'd'));
        dripping.dripInterval = 20ms;
        dripping.dripBytes = 16;
        QTest::newRow("dripping server") << dripping << false << StateKind::installFailed;
        LocalHttpServer::Response large;
        large.generatedSize = std::int64_t(4) << 20;
        QTest::newRow("larger than the cap") << large << false << StateKind::installFailed;
        QTest::newRow("cancelled") << dripping << true << StateKind::available;
    }
    void downloadLimits()
    {
        QFETCH(LocalHttpServer::Response, image);
        QFETCH(bool, cancel);
        QFETCH(StateKind, expected);
        m_server->serve(AppUpdater::manifestPath(), manifestJson(QStringLiteral("0.3.0"), imageRoute));
        m_server->serve(imageRoute, image);
        auto e = environment();
        e.downloadTimeout = 5s;
        e.downloadTotalTimeout = 400ms;
        e.maximumImageSize = std::int64_t(1) << 20;
        if (cancel) {
            e.downloadTotalTimeout = 1h;
        }
        AppUpdater updater(*m_tools, m_packages, m_shell, e);
        check(updater, false);
        QSignalSpy finished(&updater, &AppUpdater::preparationFinished);
        updater.startInstall();
        if (cancel) {
            QVERIFY(QTest::qWaitFor([&] { return !temporaryEntries(QStringLiteral("Kestrix-update-")).isEmpty(); }));
            updater.cancelDownload();
        }
        // The dripped body would take almost a minute; the time-out's own guard is the limit.
        QVERIFY(finished.wait(20000));
        QCOMPARE(updater.state().kind, expected);
        if (expected == StateKind::installFailed) {
            QCOMPARE(updater.state().error, AppUpdateError::downloadFailed);
        } else {
            QCOMPARE(updater.state(), AppUpdater::State::available(QStringLiteral("0.3.0"), m_server->url(imageRoute)));
        }
        // What had arrived is gone.
        QCOMPARE(temporaryEntries(QStringLiteral("Kestrix-")), QStringList());
    }

    void largeImageDownloadsWithFlatMemory()
    {
        // 128 MiB generated by the server as it is read; the image is no archive, so the
        // preparation fails after the download, at the extraction.
        constexpr qint64 size = qint64(128) << 20;
        LocalHttpServer::Response large;
        large.generatedSize = size;
        m_server->serve(AppUpdater::manifestPath(), manifestJson(QStringLiteral("0.3.0"), imageRoute));
        m_server->serve(imageRoute, large);
        auto e = environment();
        e.maximumImageSize = size;
        AppUpdater updater(*m_tools, m_packages, m_shell, e);
        check(updater, false);
        residentPeakSinceLastCall();
        const qint64 before = residentPeakSinceLastCall();
        QSignalSpy finished(&updater, &AppUpdater::preparationFinished);
        updater.startInstall();
        QVERIFY(finished.wait(120000));
        const qint64 peak = residentPeakSinceLastCall();
        QCOMPARE(updater.state(), AppUpdater::State::installFailed(AppUpdateError::mountFailed));
        QVERIFY2(before > 0 && peak > 0, "no VmHWM in /proc/self/status");
        qInfo("resident peak grew by %lld KiB while 131,072 KiB downloaded", peak - before);
#if !defined(__SANITIZE_ADDRESS__)
        // Held whole, the body alone would add 131,072 KiB. (AddressSanitizer keeps freed memory
        // in quarantine, so there resident memory grows with everything ever allocated.)
        QVERIFY2(peak - before < 24 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(peak - before)));
#endif
    }

    void swapCutShortIsUndoneAtTheNextStart_data()
    {
        QTest::addColumn<QString>("cut");
        QTest::addColumn<bool>("restores");
        QTest::newRow("killed between the renames") << "killed" << true;
        QTest::newRow("bundle without its executable") << "incomplete" << true;
        QTest::newRow("finished swap") << "finished" << false;
    }
    void swapCutShortIsUndoneAtTheNextStart()
    {
        QFETCH(QString, cut);
        QFETCH(bool, restores);
        const QString previous = runningBundle() + QStringLiteral(".previous");
        const QString staging = apps() + QStringLiteral("/.Kestrix-staged-1234");
        QVERIFY(makeBundle(staging + QStringLiteral("/Kestrix.app"), "new", path(QStringLiteral("started"))));
        if (cut == QLatin1String("killed")) {
            // The real swap, with an "mv" that kills the shell instead of making the second rename.
            const QString tools = path(QStringLiteral("tools"));
            const QString killed = path(QStringLiteral("killed"));
            QVERIFY(writeFile(tools + QStringLiteral("/mv"),
                              "#!/bin/sh\n"
                              "if [ -e '" +
                                  QFile::encodeName(path(QStringLiteral("renamed"))) +
                                  "' ]; then\n"
                                  "  kill -KILL $PPID; : > '" +
                                  QFile::encodeName(killed) +
                                  "'; exit 1\n"
                                  "fi\n"
                                  ": > '" +
                                  QFile::encodeName(path(QStringLiteral("renamed"))) +
                                  "'\n"
                                  "exec /bin/mv \"$@\"\n",
                              true));
            QProcess ended;
            ended.start(QStringLiteral("/bin/true"));
            QVERIFY(ended.waitForStarted());
            const QString endedId = QString::number(ended.processId());
            QVERIFY(ended.waitForFinished());
            const QByteArray searchPath = qgetenv("PATH");
            qputenv("PATH", QFile::encodeName(tools) + ':' + searchPath);
            PosixDetachedShell shell;
            const bool started =
                shell.startDetached(AppUpdater::swapScript(),
                                    {runningBundle(), previous, staging + QStringLiteral("/Kestrix.app"), endedId});
            qputenv("PATH", searchPath);
            QVERIFY(started);
            QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(killed); }, 20000));
            QVERIFY(!QFileInfo::exists(runningBundle()));
        } else if (cut == QLatin1String("incomplete")) {
            QVERIFY(QDir().rename(runningBundle(), previous));
            QVERIFY(makeBundle(runningBundle(), "half"));
            QVERIFY(QFile::remove(runningBundle() + QStringLiteral("/bin/kestrix")));
        } else {
            QVERIFY(makeBundle(previous, "older"));
        }
        QVERIFY(QFileInfo(previous + QStringLiteral("/bin/kestrix")).isFile());
        // Leftovers of earlier runs in the temporary folder, read-only parts included, beside
        // files that are not the updater's.
        QVERIFY(writeFile(temporary() + QStringLiteral("/Kestrix-update-AB.tar.gz"), "partial"));
        QVERIFY(writeFile(temporary() + QStringLiteral("/Kestrix-mount-CD/Kestrix.app/bin/kestrix"), "x"));
        QVERIFY(QFile::setPermissions(temporary() + QStringLiteral("/Kestrix-mount-CD/Kestrix.app/bin"),
                                      QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(writeFile(temporary() + QStringLiteral("/Kestrix-staged-EF/Kestrix.app/bin/kestrix"), "x"));
        QVERIFY(writeFile(temporary() + QStringLiteral("/Kestrix notes.txt"), "stays"));
        QVERIFY(writeFile(apps() + QStringLiteral("/.hidden"), "stays"));

        // The next start runs whatever could be started: the backup when the bundle is gone.
        auto e = environment();
        e.runningBundlePath = restores ? previous : runningBundle();
        AppUpdater updater(*m_tools, m_packages, m_shell, e);
        QSignalSpy recovered(&updater, &AppUpdater::recoveryFinished);
        updater.recoverInterruptedUpdate();
        QVERIFY(recovered.wait(20000));

        QVERIFY(m_tools->verifyStrict(runningBundle()));
        QVERIFY(readAll(runningBundle() + QStringLiteral("/bin/kestrix")).contains("# old"));
        QCOMPARE(QFileInfo::exists(previous), !restores);
        QCOMPARE(QDir(apps()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 restores ? (QStringList{QStringLiteral(".hidden"), QStringLiteral("Kestrix.app")})
                          : (QStringList{QStringLiteral(".hidden"), QStringLiteral("Kestrix.app"),
                                         QStringLiteral("Kestrix.app.previous")}));
        QCOMPARE(QDir(temporary()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Kestrix notes.txt")});
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("started")))); // the cut swap relaunched nothing

        // Updates carry on from the restored bundle.
        publish(QStringLiteral("0.3.0"), signedImage(QStringLiteral("release"), m_teamKey));
        check(updater, false);
        prepare(updater);
        QCOMPARE(updater.state().kind, StateKind::readyToInstall);
        QCOMPARE(QFileInfo(QFileInfo(*updater.stagedAppPath()).absolutePath()).absolutePath(), apps());
    }
};

QTEST_GUILESS_MAIN(AppUpdaterTest)
#include "tst_appupdater.moc"
