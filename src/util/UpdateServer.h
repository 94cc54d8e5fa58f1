#pragma once

#include <QString>
#include <QUrl>

// Where the release manifests and the files they name are published.
namespace UpdateServer {

// The maker's server, used when KESTRIX_UPDATE_BASE_URL is unset or empty.
inline constexpr char defaultBaseURL[] = "https://updates.tamsel.io";

// $KESTRIX_UPDATE_BASE_URL when set and not empty, else the maker's server. Read on every call.
QUrl baseURL();

// `path` (starting with "/") appended to the base's own path; a trailing "/" of the base is not
// doubled, so "http://127.0.0.1:9/" and "http://127.0.0.1:9" give the same URLs.
QUrl url(const QString &path);

} // namespace UpdateServer
