#include "update/AppUpdater.h"

#include "device/FirmwareVersion.h"
#include "update/AppBundle.h"
#include "update/AppUpdateManifest.h"
#include "update/BundleTools.h"
#include "update/DetachedShell.h"
#include "util/HttpFetch.h"
#include "util/Logging.h"
#include "util/OffMainThread.h"
#include "util/UpdateServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QThreadPool>
#include <QUuid>

namespace {

constexpr std::int64_t maximumManifestSize = std::int64_t{1024} * 1024;

#ifdef Q_OS_MACOS
constexpr char imageSuffix[] = ".dmg";
constexpr char relaunchStep[] = "open \"$1\"";
#else
constexpr char imageSuffix[] = ".tar.gz";
// The new bundle's executable replaces the shell, which is already detached from the application.
constexpr char relaunchStep[] = "exec \"$1/bin/kestrix\" </dev/null >/dev/null 2>&1";
#endif

QString freshUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool isWebURL(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

} // namespace

AppUpdater::Environment AppUpdater::Environment::running()
{
    Environment environment;
    environment.manifestURL = AppUpdater::manifestURL();
    environment.runningVersion = QCoreApplication::applicationVersion();
    environment.runningBundlePath = AppBundle::runningBundlePath();
    environment.temporaryDirectory = QDir::tempPath();
    environment.processId = QCoreApplication::applicationPid();
    environment.terminate = [] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    };
    return environment;
}

QString AppUpdater::manifestPath()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("/releases/macos/latest.json");
#else
    return QStringLiteral("/releases/linux/latest.json");
#endif
}

QUrl AppUpdater::manifestURL()
{
    static const QUrl url = UpdateServer::url(manifestPath());
    return url;
}

QString AppUpdater::swapScript()
{
    // Waits (at most ten seconds) for the application to end; then the old bundle becomes the
    // backup and the staged copy takes its place: two renames within one folder, so no moment
    // leaves half a bundle at $1 (a stop between them leaves the backup, which the next start puts
    // back). Every step names only $1, $2, $3 or the staging folder around $3, and "mv -T" never
    // moves anything into an existing folder. When the staged copy cannot be moved in, the old
    // bundle is put back, so whatever is at $1 at the end is started again.
    return QStringLiteral(
               "n=0; while [ \"$n\" -lt 100 ] && kill -0 \"$4\" 2>/dev/null; do sleep 0.1; n=$((n+1)); done; "
               "rm -rf -- \"$2\" && mv -T -- \"$1\" \"$2\" && "
               "{ mv -T -- \"$3\" \"$1\" || { rm -rf -- \"$1\"; mv -T -- \"$2\" \"$1\"; }; }; "
               "rmdir -- \"${3%/*}\" 2>/dev/null; ") +
           QLatin1String(relaunchStep);
}

AppUpdater::AppUpdater(BundleTools &tools, PackageDatabase &packages, DetachedShell &shell, Environment environment,
                       QObject *parent)
    : QObject(parent), m_tools(tools), m_packages(packages), m_shell(shell), m_environment(std::move(environment)),
      m_network(std::make_unique<QNetworkAccessManager>()), m_workers(std::make_unique<QThreadPool>())
{
    m_workers->setMaxThreadCount(1);
}

AppUpdater::~AppUpdater()
{
    // Work still running resumes nothing once the lifetime token is gone; wait for it to end so it
    // never outlives the ports it uses.
    m_lifetime.reset();
    m_workers->waitForDone();
}

template <typename Work>
OffMainThread<Work> AppUpdater::onWorker(Work work)
{
    return OffMainThread<Work>(*m_workers, m_lifetime, std::move(work));
}

void AppUpdater::setState(State state)
{
    if (m_state == state) {
        return;
    }
    if (m_state.kind != state.kind) {
        switch (state.kind) {
        case State::Kind::available:
            qCInfo(lcUpdate, "Kestrix %s is available (running %s)", qUtf8Printable(state.version),
                   qUtf8Printable(m_environment.runningVersion));
            break;
        case State::Kind::upToDate:
            qCInfo(lcUpdate, "Kestrix %s is current", qUtf8Printable(m_environment.runningVersion));
            break;
        case State::Kind::downloading:
            qCInfo(lcUpdate, "preparing the update to Kestrix %s", qUtf8Printable(state.version));
            break;
        case State::Kind::readyToInstall:
            qCInfo(lcUpdate, "Kestrix %s is verified and ready to install", qUtf8Printable(state.version));
            break;
        case State::Kind::installFailed:
            qCWarning(lcUpdate, "update failed: %s", qUtf8Printable(message(state.error)));
            break;
        default:
            break;
        }
    }
    m_state = std::move(state);
    Q_EMIT stateChanged();
}

void AppUpdater::checkSilently()
{
    check(true);
}

void AppUpdater::checkNow()
{
    check(false);
}

void AppUpdater::startInstall()
{
    if (m_pendingUpdate) {
        performInstallPrep(m_pendingUpdate->version, m_pendingUpdate->downloadURL);
    }
}

void AppUpdater::cancelDownload()
{
    if (m_state.kind == State::Kind::downloading && m_download) {
        m_download->cancel();
    }
}

void AppUpdater::recoverInterruptedUpdate()
{
    recover();
}

QCoro::Task<> AppUpdater::recover()
{
    // Queued on the one worker before any preparation's first step, so it is over before anything
    // is downloaded or staged in this run.
    auto recovering =
        onWorker([bundle = m_environment.runningBundlePath, temporary = m_environment.temporaryDirectory] {
            return AppBundle::recoverInterruptedUpdate(bundle, temporary);
        });
    const auto recovery = co_await recovering;
    m_environment.runningBundlePath = recovery.bundlePath;
    Q_EMIT recoveryFinished();
}

QCoro::Task<> AppUpdater::check(bool silent)
{
    if (!silent) {
        setState(State::checking());
    }
    const auto fail = [this, silent] {
        setState(silent ? State::idle() : State::failedCheck());
        Q_EMIT checkFinished();
    };
    const QUrl manifestAt = m_environment.manifestURL;
    const FetchOptions options{m_environment.manifestTimeout, maximumManifestSize};
    const auto body = co_await httpGet(*m_network, manifestAt, options);
    if (!body) {
        qCWarning(lcUpdate, "update check failed: %s", qUtf8Printable(body.error().detail));
        fail();
        co_return;
    }
    const auto manifest = AppUpdateManifest::decode(*body);
    const auto running = FirmwareVersion::fromString(m_environment.runningVersion.toStdString());
    const auto published = manifest ? FirmwareVersion::fromString(manifest->version.toStdString()) : std::nullopt;
    if (!running || !published) {
        qCWarning(lcUpdate, "update check failed: %s", !manifest ? "the manifest is unreadable" : "unusable version");
        fail();
        co_return;
    }
    if (!(*running < *published)) {
        setState(State::upToDate());
        Q_EMIT checkFinished();
        co_return;
    }
    // Only a web address is downloaded: the image must come from the update server's side, never
    // from a local file the manifest points at.
    const QUrl asset(manifest->asset);
    const QUrl downloadURL = manifestAt.resolved(asset);
    if (manifest->asset.isEmpty() || !asset.isValid() || !isWebURL(downloadURL)) {
        qCWarning(lcUpdate, "update check failed: the manifest's asset is not a web address");
        fail();
        co_return;
    }
    m_pendingUpdate = PendingUpdate{manifest->version, downloadURL};
    setState(State::available(manifest->version, downloadURL));
    Q_EMIT checkFinished();
}

QCoro::Task<> AppUpdater::performInstallPrep(QString version, QUrl downloadURL)
{
    setState(State::downloading(version));
    m_stagedAppPath.reset(); // whatever an earlier preparation staged is no longer offered
    // Cancelling counts from the moment the state says "downloading".
    auto cancellation = std::make_shared<DownloadCancellation>();
    m_download = cancellation;
    const auto finish = [this, cancellation](State state) {
        if (m_download == cancellation) {
            m_download.reset();
        }
        setState(std::move(state));
        Q_EMIT preparationFinished();
    };
    // The user stopped it: nothing failed, and the update is still there to be had.
    const State cancelled = State::available(version, downloadURL);

    // A copy that cannot be swapped would only fail after the application has quit, with nothing
    // left to relaunch it; say so before downloading anything.
    // Awaiters are named locals throughout: GCC 12 mishandles temporaries (lambdas and their captures
    // above all) that live across the suspension of a co_await expression.
    auto inspecting = onWorker([&packages = m_packages, bundle = m_environment.runningBundlePath] {
        return AppBundle::inspect(bundle, packages);
    });
    const auto installation = co_await inspecting;
    if (cancellation->isCancelled()) {
        finish(cancelled);
        co_return;
    }
    if (installation.kind != AppBundle::Installation::Kind::ownBundle) {
        if (installation.kind == AppBundle::Installation::Kind::packageManaged) {
            qCInfo(lcUpdate, "installed by the package %s: updates come through the package manager",
                   qUtf8Printable(installation.packageName));
        }
        finish(State::installFailed(AppUpdateError::bundleNotReplaceable));
        co_return;
    }

    const QDir temporary(m_environment.temporaryDirectory);
    const QString imagePath =
        temporary.filePath(QLatin1String(AppBundle::imagePrefix) + freshUuid() + QLatin1String(imageSuffix));
    DownloadOptions options;
    options.transferTimeout = m_environment.downloadTimeout;
    options.totalTimeout = m_environment.downloadTotalTimeout;
    options.maximumSize = m_environment.maximumImageSize;
    const auto saved = co_await httpDownload(*m_network, downloadURL, imagePath, options, cancellation);
    if (!saved.ok()) {
        // A file system failure too is, to the user, a download that failed.
        finish(saved.error().kind == FetchError::Kind::cancelled
                   ? cancelled
                   : State::installFailed(AppUpdateError::downloadFailed));
        co_return;
    }
    if (m_download == cancellation) {
        m_download.reset();
    }

    setState(State::verifying(version));
    const QString mountPoint = temporary.filePath(QLatin1String(AppBundle::mountPrefix) + freshUuid());
    // Beside the running bundle, so that the swap only renames within one folder.
    const QString stagedFolder = QFileInfo(m_environment.runningBundlePath).absolutePath() + QLatin1Char('/') +
                                 QLatin1String(AppBundle::stagingPrefix) + freshUuid();
    const auto extractError = co_await extractAndVerifyApp(imagePath, mountPoint, stagedFolder, version);
    if (extractError) {
        // Neither is of use any more (an image may be hundreds of megabytes); the mount folder is
        // empty by now, or was never filled.
        QFile::remove(imagePath);
        QDir().rmdir(mountPoint);
        finish(State::installFailed(*extractError));
        co_return;
    }
    m_stagedAppPath = stagedFolder + QLatin1Char('/') + QLatin1String(AppBundle::bundleName);
    finish(State::readyToInstall(version));
}

QCoro::Task<std::optional<AppUpdateError>> AppUpdater::extractAndVerifyApp(QString imagePath, QString mountPoint,
                                                                           QString stagedFolder, QString version)
{
    if (!QDir().mkpath(mountPoint)) {
        co_return AppUpdateError::downloadFailed;
    }
    BundleTools &tools = m_tools;
    auto attaching = onWorker([&tools, imagePath, mountPoint] { return tools.attachImage(imagePath, mountPoint); });
    const bool attached = co_await attaching;
    if (!attached) {
        co_return AppUpdateError::mountFailed;
    }
    auto detaching = onWorker([&tools, mountPoint] { return tools.detachImage(mountPoint); });

    const QString appInImage = mountPoint + QLatin1Char('/') + QLatin1String(AppBundle::bundleName);
    const QFileInfo app(appInImage);
    if (!app.isDir() || app.isSymLink()) {
        co_await detaching;
        co_return AppUpdateError::appNotFoundInImage;
    }
    const bool imageVerified = co_await verify(appInImage, version);
    if (!imageVerified) {
        co_await detaching;
        co_return AppUpdateError::signatureVerificationFailed;
    }
    const QString stagedApp = stagedFolder + QLatin1Char('/') + QLatin1String(AppBundle::bundleName);
    auto copying = onWorker([appInImage, stagedFolder, stagedApp] {
        return QDir().mkpath(stagedFolder) && AppBundle::copyBundle(appInImage, stagedApp);
    });
    // A staging folder that will not be installed does not stay beside the user's bundle.
    auto discarding = onWorker([stagedFolder] { return AppBundle::removeTree(stagedFolder); });
    const bool copied = co_await copying;
    if (!copied) {
        co_await detaching;
        co_await discarding;
        co_return AppUpdateError::downloadFailed;
    }
    const bool detached = co_await detaching;
    if (!detached) {
        co_await discarding;
        co_return AppUpdateError::mountFailed;
    }
    QFile::remove(imagePath);
    // The copy is what gets installed: it must be what was checked in the image.
    const bool copyVerified = co_await verify(stagedApp, version);
    if (!copyVerified) {
        co_await discarding;
        co_return AppUpdateError::signatureVerificationFailed;
    }
    co_return std::nullopt;
}

QCoro::Task<bool> AppUpdater::verify(QString appPath, QString version)
{
    auto verifying = onWorker([&tools = m_tools, appPath, running = m_environment.runningBundlePath,
                               runningVersion = m_environment.runningVersion, version] {
        if (!tools.verifyStrict(appPath) || !tools.assess(appPath)) {
            return false;
        }
        const auto candidateTeam = tools.teamIdentifier(appPath);
        const auto runningTeam = tools.teamIdentifier(running);
        if (!candidateTeam || !runningTeam || *candidateTeam != *runningTeam) {
            return false;
        }
        // What the signature says the bundle is must be what the manifest offered: Kestrix, at the
        // published version, newer than the running one. Otherwise an old signed release (or
        // another signed application) could be served under a new version number.
        const auto release = tools.signedRelease(appPath);
        if (!release || release->identifier != QLatin1String(AppBundle::identifier)) {
            return false;
        }
        const auto signedVersion = FirmwareVersion::fromString(release->version.toStdString());
        const auto offered = FirmwareVersion::fromString(version.toStdString());
        const auto current = FirmwareVersion::fromString(runningVersion.toStdString());
        return signedVersion && offered && current && *signedVersion == *offered && *current < *signedVersion;
    });
    const bool verified = co_await verifying;
    co_return verified;
}

void AppUpdater::confirmInstall()
{
    if (m_state.kind != State::Kind::readyToInstall || !m_stagedAppPath) {
        return;
    }
    if (m_environment.confirmQuit && !m_environment.confirmQuit()) {
        return;
    }
    // The preparation established these; the swap touches nothing but these paths. Both bundles
    // must still be whole, and the staged copy must sit in its staging folder right beside the
    // running bundle, or the renames could leave nothing to relaunch.
    const QString bundle = m_environment.runningBundlePath;
    const QString staged = *m_stagedAppPath;
    const QFileInfo stagedFolder(QFileInfo(staged).absolutePath());
    if (!QDir::isAbsolutePath(bundle) || QDir::cleanPath(bundle) != bundle ||
        QFileInfo(bundle).fileName() != QLatin1String(AppBundle::bundleName) || !AppBundle::isKestrixBundle(bundle) ||
        !AppBundle::isKestrixBundle(staged) || QFileInfo(staged).fileName() != QLatin1String(AppBundle::bundleName) ||
        !stagedFolder.isDir() || stagedFolder.isSymLink() ||
        !stagedFolder.fileName().startsWith(QLatin1String(AppBundle::stagingPrefix)) ||
        stagedFolder.absolutePath() != QFileInfo(bundle).absolutePath()) {
        setState(State::installFailed(AppUpdateError::bundleNotReplaceable));
        return;
    }
    // Quitting without a swap under way would leave the user with the old version and no
    // application running; stay, and say so.
    qCInfo(lcUpdate, "installing %s and relaunching", qUtf8Printable(staged));
    if (!m_shell.startDetached(
            swapScript(), {bundle, AppBundle::backupPath(bundle), staged, QString::number(m_environment.processId)})) {
        setState(State::installFailed(AppUpdateError::installStartFailed));
        return;
    }
    if (m_environment.terminate) {
        m_environment.terminate();
    }
}
