// The application release manifest decoder, on whatever the update server (or anyone between it and
// the app) sends: it never crashes, and whatever it accepts survives a round trip through JSON.
#include "update/AppUpdateManifest.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdio>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fputs("invariant broken: " #condition "\n", stderr);                                                  \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto manifest = AppUpdateManifest::decode(body);
    if (manifest) {
        QJsonObject again;
        again.insert(QStringLiteral("version"), manifest->version);
        again.insert(QStringLiteral("asset"), manifest->asset);
        FUZZ_REQUIRE(AppUpdateManifest::decode(QJsonDocument(again).toJson()) == manifest);
    }
    return 0;
}
