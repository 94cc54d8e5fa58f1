// Invariants of the firmware release manifest's reading, whose input comes from the network: any
// bytes decode or are refused without harm, a decoded manifest survives being written back, and an
// asset reference, whatever its text, resolves to an http(s) URL with a host or to nothing.
#include "firmware/TarnManifest.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fputs("invariant broken: " #condition "\n", stderr);                                                  \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

namespace {
void requireUsable(const std::optional<QUrl> &url)
{
    if (url) {
        FUZZ_REQUIRE(url->isValid());
        FUZZ_REQUIRE(url->scheme() == QLatin1String("http") || url->scheme() == QLatin1String("https"));
        FUZZ_REQUIRE(!url->host().isEmpty());
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A copy: a raw-data QByteArray is not terminated, and Qt may count on that.
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QUrl manifestURL(QStringLiteral("https://updates.example/releases/tarn-rp2350/latest.json"));

    // The whole input as an asset reference, as a manifest may carry any string there.
    requireUsable(TarnManifest::resolveAsset(manifestURL, QString::fromUtf8(input)));

    const auto manifest = TarnManifest::fromJson(input);
    if (!manifest) {
        return 0;
    }
    const QJsonObject written{{QStringLiteral("version"), manifest->version},
                              {QStringLiteral("asset"), manifest->asset}};
    FUZZ_REQUIRE(TarnManifest::fromJson(QJsonDocument(written).toJson()) == manifest);
    requireUsable(TarnManifest::resolveAsset(manifestURL, manifest->asset));
    return 0;
}
