#include "util/HttpFetch.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <coroutine>
#include <memory>

namespace {

// Suspends until the reply's finished signal. Qt emits it exactly once per reply, also when the
// reply is aborted (by us or by its transfer time-out), and the single-shot connection is gone
// after that first call, so the coroutine is resumed exactly once.
class ReplyFinished {
public:
    explicit ReplyFinished(QNetworkReply &reply) : m_reply(reply) {}
    bool await_ready() const { return m_reply.isFinished(); }
    void await_suspend(std::coroutine_handle<> handle)
    {
        QObject::connect(
            &m_reply, &QNetworkReply::finished, &m_reply, [handle] { handle.resume(); }, Qt::SingleShotConnection);
    }
    void await_resume() const {}

private:
    QNetworkReply &m_reply;
};

struct DeleteLater {
    void operator()(QObject *object) const { object->deleteLater(); }
};

bool isWebURL(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QNetworkRequest uncachedRequest(const QUrl &url, std::chrono::milliseconds transferTimeout)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(transferTimeout.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    return request;
}

// How much of a download's body the network stack may hold before it stops reading the socket.
constexpr qint64 downloadBufferSize = qint64{256} * 1024;

} // namespace

QCoro::Task<Result<std::int64_t, FetchError>> httpDownload(QNetworkAccessManager &network, QUrl url, QString filePath,
                                                           DownloadOptions options,
                                                           std::shared_ptr<DownloadCancellation> cancellation)
{
    if (!isWebURL(url)) {
        co_return FetchError{FetchError::Kind::badURL, url.toString()};
    }
    if (cancellation && cancellation->isCancelled()) {
        co_return FetchError{FetchError::Kind::cancelled, url.toString()};
    }
    // NewOnly: created here, never an existing file or a link planted in a shared folder.
    auto file = std::make_shared<QFile>(filePath);
    if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        co_return FetchError{FetchError::Kind::file, file->errorString()};
    }

    std::unique_ptr<QNetworkReply, DeleteLater> reply(network.get(uncachedRequest(url, options.transferTimeout)));
    QNetworkReply *r = reply.get();
    r->setReadBufferSize(downloadBufferSize);
    // The first reason the transfer was stopped for; the reply's own error is looked at only without one.
    auto stopped = std::make_shared<std::optional<FetchError::Kind>>();
    auto written = std::make_shared<std::int64_t>(0);
    // Aborting is queued, never done from inside one of the reply's own signals.
    const auto stop = [r, stopped](FetchError::Kind why) {
        if (!*stopped) {
            *stopped = why;
            QMetaObject::invokeMethod(r, &QNetworkReply::abort, Qt::QueuedConnection);
        }
    };
    const std::int64_t limit = options.maximumSize;
    const auto drain = [r, file, written, stopped, stop, limit] {
        while (!*stopped && r->bytesAvailable() > 0) {
            const QByteArray chunk = r->read(downloadBufferSize);
            if (chunk.isEmpty()) {
                break;
            }
            *written += chunk.size();
            if (limit >= 0 && *written > limit) {
                stop(FetchError::Kind::tooLarge);
                return;
            }
            if (file->write(chunk) != chunk.size()) {
                stop(FetchError::Kind::file);
                return;
            }
        }
    };
    QObject::connect(r, &QNetworkReply::readyRead, r, drain);
    if (limit >= 0) {
        // An announced length over the limit stops the transfer before any of it is written.
        QObject::connect(r, &QNetworkReply::downloadProgress, r, [stop, limit](qint64, qint64 total) {
            if (total > limit) {
                stop(FetchError::Kind::tooLarge);
            }
        });
    }
    if (options.totalTimeout.count() > 0) {
        QTimer::singleShot(options.totalTimeout, r, [stop] { stop(FetchError::Kind::timedOut); });
    }
    if (cancellation) {
        cancellation->m_abort = [guarded = QPointer<QNetworkReply>(r), stop] {
            if (guarded) {
                stop(FetchError::Kind::cancelled);
            }
        };
    }
    co_await ReplyFinished(*reply);
    if (cancellation) {
        cancellation->m_abort = nullptr;
    }

    if (!*stopped && r->error() == QNetworkReply::NoError) {
        drain();
    }
    if (!*stopped && cancellation && cancellation->isCancelled()) {
        *stopped = FetchError::Kind::cancelled;
    }
    const bool flushed = file->flush();
    file->close();
    std::optional<FetchError> failure;
    if (*stopped) {
        failure = FetchError{**stopped, url.toString()};
    } else if (r->error() != QNetworkReply::NoError) {
        failure = FetchError{FetchError::Kind::network, r->errorString()};
    } else if (!flushed || file->error() != QFileDevice::NoError) {
        failure = FetchError{FetchError::Kind::file, file->errorString()};
    }
    if (failure) {
        file->remove();
        co_return *failure;
    }
    co_return *written;
}

QCoro::Task<Result<QByteArray, FetchError>> httpGet(QNetworkAccessManager &network, QUrl url, FetchOptions options)
{
    if (!isWebURL(url)) {
        co_return FetchError{FetchError::Kind::badURL, url.toString()};
    }
    const QNetworkRequest request = uncachedRequest(url, options.transferTimeout);

    // Deleted from the event loop: the reply is still inside its own finished signal when the
    // coroutine goes on.
    std::unique_ptr<QNetworkReply, DeleteLater> reply(network.get(request));
    auto tooLarge = std::make_shared<bool>(false);
    if (options.maximumSize >= 0) {
        QNetworkReply *r = reply.get();
        QObject::connect(r, &QNetworkReply::downloadProgress, r,
                         [r, tooLarge, limit = options.maximumSize](qint64 received, qint64 total) {
                             if (!*tooLarge && (received > limit || total > limit)) {
                                 *tooLarge = true;
                                 // Not from inside the reply's own signal.
                                 QMetaObject::invokeMethod(r, &QNetworkReply::abort, Qt::QueuedConnection);
                             }
                         });
    }
    co_await ReplyFinished(*reply);

    if (*tooLarge) {
        co_return FetchError{FetchError::Kind::tooLarge, url.toString()};
    }
    if (reply->error() != QNetworkReply::NoError) {
        co_return FetchError{FetchError::Kind::network, reply->errorString()};
    }
    QByteArray body = reply->readAll();
    if (options.maximumSize >= 0 && body.size() > options.maximumSize) {
        co_return FetchError{FetchError::Kind::tooLarge, url.toString()};
    }
    co_return body;
}

void abortRequests(QNetworkAccessManager &network)
{
    const QList<QNetworkReply *> replies = network.findChildren<QNetworkReply *>(Qt::FindDirectChildrenOnly);
    for (const QPointer<QNetworkReply> reply : replies) {
        if (reply && reply->isRunning()) {
            reply->abort();
        }
    }
}
