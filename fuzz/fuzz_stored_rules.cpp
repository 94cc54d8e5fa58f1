// Invariants of the decoders of the rule list and the fallback state, which read whatever the
// settings file holds: any bytes decode or are refused without harm, and whatever decodes is
// written back in a form that decodes to the same value and re-encodes to the same bytes.
#include "rules/RuleJson.h"

#include <cmath>
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
    // A copy: a raw-data QByteArray is not terminated, and Qt may count on that.
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    if (const auto rules = RuleJson::decodeRules(input)) {
        for (const StatusRule &rule : *rules) {
            // The finish timer is armed from this number.
            FUZZ_REQUIRE(!rule.finishStep ||
                         (std::isfinite(rule.finishStep->durationSeconds) && rule.finishStep->durationSeconds >= 0));
        }
        const QByteArray encoded = RuleJson::encodeRules(*rules);
        const auto again = RuleJson::decodeRules(encoded);
        FUZZ_REQUIRE(again == rules);
        FUZZ_REQUIRE(RuleJson::encodeRules(*again) == encoded);
    }

    if (const auto fallback = RuleJson::decodeFallback(input)) {
        const QByteArray encoded = RuleJson::encodeFallback(fallback);
        const auto again = RuleJson::decodeFallback(encoded);
        FUZZ_REQUIRE(again == fallback);
        FUZZ_REQUIRE(RuleJson::encodeFallback(again) == encoded);
    }
    return 0;
}
