#pragma once

#include "util/Result.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QNetworkAccessManager;

// Why a GET did not deliver a body.
struct FetchError {
    enum class Kind : std::uint8_t {
        badURL,    // not an http or https URL with a host; nothing was requested
        network,   // transport error, HTTP error status, or the transfer time-out
        tooLarge,  // the body grew past the limit; the transfer was stopped there
        timedOut,  // the whole transfer took longer than its total limit
        cancelled, // the caller cancelled it
        file,      // the body could not be written to its file
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

struct DownloadOptions {
    // The request ends with an error when no bytes move for this long.
    std::chrono::milliseconds transferTimeout{60000};
    // ... and when the whole transfer takes longer than this, however steadily bytes arrive.
    std::chrono::milliseconds totalTimeout{3600000};
    // Bodies longer than this fail with tooLarge as soon as that is known; negative: no limit.
    std::int64_t maximumSize = -1;
};

// Lets the owner of a running download stop it. Main thread.
class DownloadCancellation {
public:
    // Ends the download it was handed to with `cancelled`; nothing once that has finished.
    void cancel()
    {
        m_cancelled = true;
        if (m_abort) {
            m_abort();
        }
    }
    bool isCancelled() const { return m_cancelled; }

private:
    friend QCoro::Task<Result<std::int64_t, FetchError>>
    httpDownload(QNetworkAccessManager &, QUrl, QString, DownloadOptions, std::shared_ptr<DownloadCancellation>);
    bool m_cancelled = false;
    std::function<void()> m_abort;
};

// One GET of `url` like httpGet(), with the body written to the new file `filePath` as it arrives:
// at most a small, fixed amount of it is ever held in memory. The file must not exist yet (it is
// never opened through a link). On any failure the file is removed. Gives the body's length.
QCoro::Task<Result<std::int64_t, FetchError>> httpDownload(QNetworkAccessManager &network, QUrl url, QString filePath,
                                                           DownloadOptions options,
                                                           std::shared_ptr<DownloadCancellation> cancellation);

// Aborts every request of `network` still in flight: each httpGet or httpDownload awaiting one resumes
// at once, and exactly once, with an error. For the destructor of the manager's owner, after the owner
// has made its own coroutines stop touching it: destroying the manager alone would delete its
// replies without finishing them, leaving their callers suspended for good.
void abortRequests(QNetworkAccessManager &network);
