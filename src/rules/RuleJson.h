#pragma once

#include "rules/StatusRule.h"

#include <QByteArray>

#include <optional>
#include <vector>

// The JSON forms of the rule list and the fallback state, as settings store them. Decoding is
// all-or-nothing: one bad field (wrong type, missing key, unknown effect, a byte outside 0...255
// or with a fraction, a negative duration) rejects the whole document, so a half-understood list
// never replaces the user's. Keys the decoder does not know are ignored.
namespace RuleJson {

// A compact array of rule objects in priority order; "finishStep" is left out when absent.
QByteArray encodeRules(const std::vector<StatusRule> &rules);
std::optional<std::vector<StatusRule>> decodeRules(const QByteArray &json);

// The fallback object, or the literal `null` when there is none.
QByteArray encodeFallback(const std::optional<FallbackRGBState> &state);
// Only an object decodes; `null` is as absent as garbage.
std::optional<FallbackRGBState> decodeFallback(const QByteArray &json);

} // namespace RuleJson
