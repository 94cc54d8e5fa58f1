#include "util/HttpFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

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

} // namespace

QCoro::Task<Result<QByteArray, FetchError>> httpGet(QNetworkAccessManager &network, QUrl url, FetchOptions options)
{
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        co_return FetchError{FetchError::Kind::badURL, url.toString()};
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(options.transferTimeout.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);

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
