// The parsers of a bundle's signature folder (the manifest and the signature file), on any bytes a
// downloaded image may carry: they never crash, and what they accept is exactly what they would
// write, so signed bytes have one reading only.
#include "platform/linux/update/BundleManifest.h"

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
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    if (const auto manifest = BundleManifest::parse(text)) {
        FUZZ_REQUIRE(manifest->serialize() == text);
        for (const auto &entry : manifest->entries) {
            FUZZ_REQUIRE(BundleManifest::isValidPath(entry.path));
        }
    }
    if (const auto signature = BundleSignatureFile::parse(text)) {
        FUZZ_REQUIRE(signature->serialize() == text);
    }
    return 0;
}
