#include "firmware/TarnFirmwareUpdater.h"

#include "device/DorvelDeviceManager.h"
#include "util/Logging.h"
#include "util/UpdateServer.h"

#include <utility>

using Kind = TarnUpdateError::Kind;

TarnFirmwareUpdater::TarnFirmwareUpdater(DorvelDeviceManager &hid, QObject *parent)
    : TarnFirmwareUpdater(hid, Config{}, parent)
{}

TarnFirmwareUpdater::TarnFirmwareUpdater(DorvelDeviceManager &hid, Config config, QObject *parent)
    : QObject(parent), m_hid(hid), m_config(std::move(config))
{}

TarnFirmwareUpdater::~TarnFirmwareUpdater()
{
    // A check or run still fetching ends now (its coroutine resumes once, sees the updater gone and
    // stops) instead of staying suspended when the network manager deletes its replies.
    m_lifetime.reset();
    abortRequests(m_network);
}

QUrl TarnFirmwareUpdater::defaultManifestURL()
{
    return UpdateServer::url(QString::fromLatin1(manifestPath));
}

namespace {
// One line for each step of a check or a run that someone following the device wants to see;
// progress within a step says nothing.
void logTransition(const TarnUpdateState &from, const TarnUpdateState &to)
{
    using StateKind = TarnUpdateState::Kind;
    if (from.kind == to.kind) {
        return;
    }
    switch (to.kind) {
    case StateKind::upToDate:
        qCInfo(lcFirmware, "firmware %s is current", to.current.description().c_str());
        break;
    case StateKind::updateAvailable:
        qCInfo(lcFirmware, "firmware %s is available (the device has %s)", to.latest.description().c_str(),
               to.current.description().c_str());
        break;
    case StateKind::downloading:
        qCInfo(lcFirmware, "firmware update started: downloading the image");
        break;
    case StateKind::transferring:
        qCInfo(lcFirmware, "sending %lld bytes of firmware to the device", static_cast<long long>(to.totalBytes));
        break;
    case StateKind::waitingForReboot:
        qCInfo(lcFirmware, "the device took the image and restarts");
        break;
    case StateKind::succeeded:
        qCInfo(lcFirmware, "firmware updated to %s", to.version.description().c_str());
        break;
    case StateKind::failed:
        if (to.error && to.error->kind == TarnUpdateError::Kind::downloadFailed &&
            !to.error->download.detail.isEmpty()) {
            qCWarning(lcFirmware, "firmware update failed: %s (%s)", qUtf8Printable(to.error->label()),
                      qUtf8Printable(to.error->download.detail));
        } else {
            qCWarning(lcFirmware, "firmware update failed: %s", to.error ? qUtf8Printable(to.error->label()) : "");
        }
        break;
    default:
        break;
    }
}
} // namespace

void TarnFirmwareUpdater::setState(TarnUpdateState state)
{
    if (m_state == state) {
        return;
    }
    logTransition(m_state, state);
    m_state = std::move(state);
    Q_EMIT stateChanged(m_state);
}

void TarnFirmwareUpdater::setRunOutcome(std::optional<TarnUpdateState> outcome)
{
    if (m_runOutcome == outcome) {
        return;
    }
    m_runOutcome = std::move(outcome);
    Q_EMIT runOutcomeChanged();
}

void TarnFirmwareUpdater::dismissRunOutcome()
{
    setRunOutcome(std::nullopt);
}

void TarnFirmwareUpdater::endRun(TarnUpdateState outcome)
{
    m_running = false;
    setState(outcome);
    setRunOutcome(std::move(outcome));
}

QCoro::Task<Result<TarnManifest, DownloadError>> TarnFirmwareUpdater::fetchManifest()
{
    auto body = co_await httpGet(m_network, m_config.manifestURL, {m_config.networkTimeout, largestManifest});
    if (!body.ok()) {
        const FetchError &error = body.error();
        co_return DownloadError{error.kind == FetchError::Kind::badURL ? DownloadError::Kind::badURL
                                                                       : DownloadError::Kind::network,
                                error.detail};
    }
    if (auto manifest = TarnManifest::fromJson(body.value())) {
        co_return std::move(*manifest);
    }
    co_return DownloadError{DownloadError::Kind::badManifest, m_config.manifestURL.toString()};
}

QCoro::Task<Result<QByteArray, FetchError>> TarnFirmwareUpdater::download(QUrl url)
{
    // One byte past the largest image is enough to know it is too large.
    co_return co_await httpGet(
        m_network, std::move(url),
        {m_config.networkTimeout, static_cast<std::int64_t>(TarnFirmwareTransfer::largestImage)});
}

QCoro::Task<> TarnFirmwareUpdater::checkForUpdate()
{
    const std::optional<DeviceQueryResponse> query = m_hid.lastQuery();
    if (!query || query->hwPlatform != HardwarePlatform::rp2350) {
        setState(TarnUpdateState::idle());
        co_return;
    }
    const FirmwareVersion current = query->version;
    setState(TarnUpdateState::checkingForUpdate());

    std::weak_ptr<int> alive = m_lifetime;
    auto manifest = co_await fetchManifest();
    if (alive.expired()) {
        co_return;
    }
    if (!manifest.ok()) {
        qCWarning(lcFirmware, "firmware check failed: %s", qUtf8Printable(manifest.error().detail));
        setState(TarnUpdateState::idle());
        co_return;
    }
    const auto latest = FirmwareVersion::fromString(manifest->version.toStdString());
    if (!latest) {
        qCWarning(lcFirmware, "firmware check failed: the manifest's version is unusable");
        setState(TarnUpdateState::idle());
        co_return;
    }
    setState(current < *latest ? TarnUpdateState::updateAvailable(current, *latest)
                               : TarnUpdateState::upToDate(current));
}

void TarnFirmwareUpdater::startUpdate()
{
    // The state alone cannot refuse a second start while the first run fetches its manifest: it
    // still reads updateAvailable then.
    if (m_state.kind != TarnUpdateState::Kind::updateAvailable || m_running) {
        return;
    }
    m_running = true;
    // From here the progress window follows this run, not how the previous one ended.
    setRunOutcome(std::nullopt);
    performUpdate();
}

TarnUpdateError TarnFirmwareUpdater::failureFor(const RunError &error)
{
    if (const auto *update = std::get_if<TarnUpdateError>(&error)) {
        return *update;
    }
    if (std::holds_alternative<TarnFirmwareTransfer::RequestError>(error)) {
        return Kind::deviceStoppedResponding;
    }
    return TarnUpdateError::downloadFailed(std::get<DownloadError>(error));
}

QCoro::Task<> TarnFirmwareUpdater::performUpdate()
{
    std::weak_ptr<int> alive = m_lifetime;
    const auto publish = [this, alive](const TarnUpdateState &state) {
        if (!alive.expired()) {
            setState(state);
        }
    };
    // The run holds the device link only from update-start to its end: while the manifest and the
    // image are fetched, the menu and the windows keep using the device.
    std::optional<DorvelDeviceManager::ExclusiveLink> link;
    std::optional<RunError> failure;
    std::optional<TarnUpdateState> ending;

    auto manifest = co_await fetchManifest();
    if (alive.expired()) {
        co_return;
    }
    if (!manifest.ok()) {
        failure = manifest.error();
    } else {
        const auto assetURL = TarnManifest::resolveAsset(m_config.manifestURL, manifest->asset);
        const auto target = FirmwareVersion::fromString(manifest->version.toStdString());
        if (!assetURL || !target) {
            // Nothing has been sent to the device, so there is nothing to abort.
            endRun(TarnUpdateState::failed(
                TarnUpdateError::downloadFailed({DownloadError::Kind::badURL, manifest->asset})));
            co_return;
        }
        setState(TarnUpdateState::downloading(0));
        auto image = co_await download(*assetURL);
        if (alive.expired()) {
            co_return;
        }
        if (!image.ok() && image.error().kind == FetchError::Kind::tooLarge) {
            // The size check before anything is sent: no abort report either.
            ending = TarnUpdateState::failed(Kind::imageTooLargeForProtocol);
        } else if (!image.ok()) {
            failure = DownloadError{image.error().kind == FetchError::Kind::badURL ? DownloadError::Kind::badURL
                                                                                   : DownloadError::Kind::network,
                                    image.error().detail};
        } else if (link = m_hid.acquireExclusiveLink(); !link) {
            ending = TarnUpdateState::failed(Kind::deviceAlreadyActive);
        } else {
            const QByteArray &body = image.value();
            TarnFirmwareTransfer transfer(*link, m_config.transfer, publish);
            auto outcome = co_await transfer.run(Bytes(body.begin(), body.end()), *target);
            if (alive.expired()) {
                co_return;
            }
            if (outcome.ok()) {
                ending = std::move(outcome.value());
            } else {
                std::visit([&](const auto &error) { failure = error; }, outcome.error());
            }
        }
    }

    if (failure) {
        // The abort report goes out whatever failed, a download too; a run that had not taken the
        // link yet takes it for this report.
        if (!link) {
            link = m_hid.acquireExclusiveLink();
        }
        if (link) {
            TarnFirmwareTransfer transfer(*link, m_config.transfer, publish);
            co_await transfer.abortBestEffort();
            if (alive.expired()) {
                co_return;
            }
        }
        ending = TarnUpdateState::failed(failureFor(*failure));
    }
    // Whoever reacts to the final state may use the link again.
    link.reset();
    endRun(std::move(*ending));
}
