#pragma once

#include "rules/LEDEffect.h"

#include <cstdint>
#include <vector>

class StatusRulesEngine;

// The edits the status rules window makes, each one user action. Every write assigns the whole
// rule list to the engine, which stores it and re-evaluates the LED at once; a write is made even
// when it changes nothing. Rows are positions in the engine's current list; an out-of-range row
// (a list that changed under a stale view) writes nothing. Main thread only.
namespace StatusRulesEditing {

// The rules at `sourceRows` (in any order, duplicates ignored) move, keeping their relative order,
// to just before the rule that was at `target` (the list's size moves them to the end): the
// standard move of a set of offsets to a target offset.
void moveRules(StatusRulesEngine &engine, std::vector<int> sourceRows, int target);

void setRuleEnabled(StatusRulesEngine &engine, int row, bool enabled);
void setRuleEffect(StatusRulesEngine &engine, int row, LEDEffect effect);
// Three writes, hue then saturation then value, so the LED is re-evaluated three times.
void setRuleColor(StatusRulesEngine &engine, int row, std::uint8_t hue, std::uint8_t saturation, std::uint8_t value);

// A rule without a finish step first gets the default one (disabled) as a write of its own.
void setFinishEnabled(StatusRulesEngine &engine, int row, bool enabled);
// These leave a rule without a finish step as it is, but still write the list.
void setFinishEffect(StatusRulesEngine &engine, int row, LEDEffect effect);
void setFinishDuration(StatusRulesEngine &engine, int row, double seconds);
void setFinishColor(StatusRulesEngine &engine, int row, std::uint8_t hue, std::uint8_t saturation, std::uint8_t value);

} // namespace StatusRulesEditing
