#pragma once

#include "util/Result.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>

class QNetworkAccessManager;

// Why a GET did not deliver a body.
struct FetchError {
    enum class Kind : std::uint8_t {
        badURL,   // not an http or https URL with a host; nothing was requested
        network,  // transport error, HTTP error status, or the transfer time-out
        tooLarge, // the body grew past the limit; the transfer was stopped there
    };
    Kind kind = Kind::network;
    QString detail; // the network stack's message, for diagnostics

    friend bool operator==(const FetchError &, const FetchError &) = default;
};

struct FetchOptions {
    // The request ends with an error when no bytes move for this long.
    std::chrono::milliseconds transferTimeout{60000};
    // Bodies longer than this fail with tooLarge; negative: no limit.
    std::int64_t maximumSize = -1;
};

// One GET of `url`, always from the network (local caches are neither read nor written), awaited
// until the reply has finished. Redirects are followed unless they go from https to http. The
// manager must outlive the call. Main thread.
QCoro::Task<Result<QByteArray, FetchError>> httpGet(QNetworkAccessManager &network, QUrl url, FetchOptions options);
