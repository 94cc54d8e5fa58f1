#include "util/UpdateServer.h"

#include <QByteArray>

namespace UpdateServer {

QUrl baseURL()
{
    const QByteArray configured = qgetenv("KESTRIX_UPDATE_BASE_URL");
    return QUrl(configured.isEmpty() ? QString::fromLatin1(defaultBaseURL) : QString::fromUtf8(configured));
}

QUrl url(const QString &path)
{
    QUrl u = baseURL();
    QString basePath = u.path();
    while (basePath.endsWith(QLatin1Char('/'))) {
        basePath.chop(1);
    }
    u.setPath(basePath + path);
    return u;
}

} // namespace UpdateServer
