#pragma once

#include "rules/StatusRule.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

// The rule lists and fallback settings in the application's settings file. A profile key K holds
// the rule list as JSON bytes; K + ".fallbackEnabled" a bool; K + ".fallbackState" the fallback's
// JSON or `null`. The global profile applies while no device identity is known; each device gets
// its own profile once seen.
namespace RuleStore {

QString globalKey();
QString deviceKey(const std::string &deviceID);
QString fallbackEnabledKey(const QString &profileKey);
QString fallbackStateKey(const QString &profileKey);

// Whether anything at all is stored under the key, decodable or not.
bool hasData(const QString &key);

// The stored list followed by every default rule whose id it lacks, in default order. Missing,
// undecodable or empty data gives the defaults; the stored data is left as it is.
std::vector<StatusRule> loadRules(const QString &key);
// Absent when missing, `null` or undecodable.
std::optional<FallbackRGBState> loadFallbackState(const QString &key);
// False when missing or not a bool.
bool loadFallbackEnabled(const QString &key);

void saveRules(const QString &key, const std::vector<StatusRule> &rules);
void saveFallbackState(const QString &key, const std::optional<FallbackRGBState> &state);
void saveFallbackEnabled(const QString &key, bool enabled);

} // namespace RuleStore
