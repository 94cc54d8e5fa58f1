#pragma once

#include "update/AppUpdateError.h"
#include "util/HttpFetch.h"
#include "util/OffMainThread.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class BundleTools;
class DetachedShell;
class PackageDatabase;
class QNetworkAccessManager;
class QThreadPool;

// Keeps the application itself current: checks the release manifest, and on the user's request
// downloads the release image to a file, attaches it, verifies Kestrix.app in it (signing team,
// and the identifier and version its signature covers), copies it into a hidden staging folder
// beside the running bundle, verifies the copy again, and finally swaps the bundles with two
// renames and relaunches through a detached shell. Check, preparation and swap are three separate
// steps; the swap happens only on confirmInstall(). Main thread; file, image and signature work
// runs on one worker thread, in the order it was asked for, so the main thread never waits for it.
class AppUpdater : public QObject {
    Q_OBJECT
public:
    struct PendingUpdate {
        QString version;
        QUrl downloadURL;

        friend bool operator==(const PendingUpdate &, const PendingUpdate &) = default;
    };

    // What the menu and the update window show. `version` is set for available, downloading,
    // verifying and readyToInstall; `downloadURL` for available; `error` for installFailed.
    struct State {
        enum class Kind {
            idle,
            checking,
            upToDate,
            error,
            available,
            downloading,
            verifying,
            readyToInstall,
            installFailed
        };
        Kind kind = Kind::idle;
        QString version;
        QUrl downloadURL;
        AppUpdateError error = AppUpdateError::downloadFailed;

        static State idle() { return make(Kind::idle); }
        static State checking() { return make(Kind::checking); }
        static State upToDate() { return make(Kind::upToDate); }
        static State failedCheck() { return make(Kind::error); }
        static State available(QString version, QUrl url)
        {
            return make(Kind::available, std::move(version), std::move(url));
        }
        static State downloading(QString version) { return make(Kind::downloading, std::move(version)); }
        static State verifying(QString version) { return make(Kind::verifying, std::move(version)); }
        static State readyToInstall(QString version) { return make(Kind::readyToInstall, std::move(version)); }
        static State installFailed(AppUpdateError error) { return make(Kind::installFailed, {}, {}, error); }
        static State make(Kind kind, QString version = {}, QUrl url = {},
                          AppUpdateError error = AppUpdateError::downloadFailed)
        {
            State state;
            state.kind = kind;
            state.version = std::move(version);
            state.downloadURL = std::move(url);
            state.error = error;
            return state;
        }

        friend bool operator==(const State &, const State &) = default;
    };

    // Everything the updater takes from its surroundings; running() describes this process.
    struct Environment {
        QUrl manifestURL;
        QString runningVersion;                           // the running bundle's "major.minor.patch"
        QString runningBundlePath;                        // the folder holding the running bin/kestrix
        QString temporaryDirectory;                       // where images and mount points go
        std::chrono::milliseconds manifestTimeout{60000}; // without a byte moving
        std::chrono::milliseconds downloadTimeout{60000}; // without a byte moving
        // The whole image download, however steadily bytes arrive, and the image's largest size.
        std::chrono::milliseconds downloadTotalTimeout{std::chrono::hours(1)};
        std::int64_t maximumImageSize = std::int64_t(512) * 1024 * 1024;
        qint64 processId = 0;            // the swap waits for this process to end
        std::function<void()> terminate; // asks the application to quit
        // Asked before the swap starts, as quitting by the menu asks; false leaves everything as it
        // was. Absent: nothing to ask.
        std::function<bool()> confirmQuit;

        static Environment running();
    };

    // The release manifest's path for this platform.
    static QString manifestPath();
    // The update server's base URL followed by manifestPath().
    static QUrl manifestURL();

    // Every reference must outlive the updater.
    AppUpdater(BundleTools &tools, PackageDatabase &packages, DetachedShell &shell, Environment environment,
               QObject *parent = nullptr);
    ~AppUpdater() override;

    const State &state() const { return m_state; }
    const std::optional<PendingUpdate> &pendingUpdate() const { return m_pendingUpdate; }
    const std::optional<QString> &stagedAppPath() const { return m_stagedAppPath; }

    // The silent check shows neither `checking` nor `error`; it is run once at start-up.
    void checkSilently();
    // The user's check, from the menu.
    void checkNow();
    // Prepares `pendingUpdate`, whatever the state; does nothing without one.
    void startInstall();
    // While downloading: stops the download, deletes what arrived and goes back to `available`.
    void cancelDownload();
    // The environment, for the composition root to set what it knows only later (confirmQuit).
    Environment &environment() { return m_environment; }

    // Only in readyToInstall with a staged copy, and once confirmQuit agrees: starts the swap and,
    // once it runs, asks the application to quit. A swap that cannot start leaves installFailed and
    // the application on.
    void confirmInstall();
    // Once at start-up, before anything is prepared: undoes a swap that was cut short (the bundle
    // missing or incomplete beside its ".previous" backup) and removes what earlier preparations
    // left behind. Runs on the worker; emits recoveryFinished().
    void recoverInterruptedUpdate();

    // The swap, run by "/bin/sh -c" with $1 the running bundle, $2 its backup, $3 the staged copy
    // (in a staging folder beside $1) and $4 the process to wait for.
    static QString swapScript();

Q_SIGNALS:
    void stateChanged();
    // A check or a preparation has finished, whatever its outcome (for observers that need to know
    // when a silent check that changed nothing is over).
    void checkFinished();
    void preparationFinished();
    void recoveryFinished();

private:
    QCoro::Task<> check(bool silent);
    QCoro::Task<> performInstallPrep(QString version, QUrl downloadURL);
    QCoro::Task<std::optional<AppUpdateError>> extractAndVerifyApp(QString imagePath, QString mountPoint,
                                                                   QString stagedFolder, QString version);
    QCoro::Task<bool> verify(QString appPath, QString version);
    QCoro::Task<> recover();
    // An awaiter that runs `work` on the updater's worker thread and resumes on the main thread.
    template <typename Work>
    OffMainThread<Work> onWorker(Work work);
    void setState(State state);

    BundleTools &m_tools;
    PackageDatabase &m_packages;
    DetachedShell &m_shell;
    Environment m_environment;
    std::unique_ptr<QNetworkAccessManager> m_network;
    // The worker for file, image and signature work; destroying the updater waits for it.
    std::unique_ptr<QThreadPool> m_workers;
    // Work handed to worker threads resumes only while this lives (see OffMainThread).
    std::shared_ptr<int> m_lifetime = std::make_shared<int>();
    State m_state;
    std::optional<PendingUpdate> m_pendingUpdate;
    std::optional<QString> m_stagedAppPath;
    // The download under way, if any; cancelDownload() stops it.
    std::shared_ptr<DownloadCancellation> m_download;
};
