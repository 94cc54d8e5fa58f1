#include "rules/StatusRulesEditing.h"

#include "rules/StatusRulesEngine.h"

#include <algorithm>

namespace StatusRulesEditing {

namespace {

// Applies `edit` to the rule at `row` of a copy of the list and assigns the copy.
template <typename Edit>
void writeRule(StatusRulesEngine &engine, int row, Edit edit)
{
    std::vector<StatusRule> rules = engine.rules();
    if (row < 0 || row >= static_cast<int>(rules.size())) {
        return;
    }
    edit(rules[static_cast<std::size_t>(row)]);
    engine.setRules(std::move(rules));
}

// As writeRule, on the rule's finish step when it has one; the list is assigned either way.
template <typename Edit>
void writeFinishStep(StatusRulesEngine &engine, int row, Edit edit)
{
    writeRule(engine, row, [&](StatusRule &rule) {
        if (rule.finishStep) {
            edit(*rule.finishStep);
        }
    });
}

} // namespace

void moveRules(StatusRulesEngine &engine, std::vector<int> sourceRows, int target)
{
    std::vector<StatusRule> rules = engine.rules();
    const int count = static_cast<int>(rules.size());
    std::sort(sourceRows.begin(), sourceRows.end());
    sourceRows.erase(std::unique(sourceRows.begin(), sourceRows.end()), sourceRows.end());
    if (sourceRows.empty() || sourceRows.front() < 0 || sourceRows.back() >= count || target < 0 || target > count) {
        return;
    }
    std::vector<StatusRule> moved;
    std::vector<StatusRule> rest;
    int insertAt = target;
    for (int row = 0; row < count; ++row) {
        if (std::binary_search(sourceRows.begin(), sourceRows.end(), row)) {
            moved.push_back(std::move(rules[static_cast<std::size_t>(row)]));
            if (row < target) {
                --insertAt;
            }
        } else {
            rest.push_back(std::move(rules[static_cast<std::size_t>(row)]));
        }
    }
    rest.insert(rest.begin() + insertAt, std::make_move_iterator(moved.begin()), std::make_move_iterator(moved.end()));
    engine.setRules(std::move(rest));
}

void setRuleEnabled(StatusRulesEngine &engine, int row, bool enabled)
{
    writeRule(engine, row, [&](StatusRule &rule) { rule.isEnabled = enabled; });
}

void setRuleEffect(StatusRulesEngine &engine, int row, LEDEffect effect)
{
    writeRule(engine, row, [&](StatusRule &rule) { rule.effect = effect; });
}

void setRuleColor(StatusRulesEngine &engine, int row, std::uint8_t hue, std::uint8_t saturation, std::uint8_t value)
{
    writeRule(engine, row, [&](StatusRule &rule) { rule.hue = hue; });
    writeRule(engine, row, [&](StatusRule &rule) { rule.saturation = saturation; });
    writeRule(engine, row, [&](StatusRule &rule) { rule.value = value; });
}

void setFinishEnabled(StatusRulesEngine &engine, int row, bool enabled)
{
    const auto &rules = engine.rules();
    if (row >= 0 && row < static_cast<int>(rules.size()) && !rules[static_cast<std::size_t>(row)].finishStep) {
        writeRule(engine, row, [](StatusRule &rule) { rule.finishStep = FinishStepConfig{}; });
    }
    writeFinishStep(engine, row, [&](FinishStepConfig &step) { step.isEnabled = enabled; });
}

void setFinishEffect(StatusRulesEngine &engine, int row, LEDEffect effect)
{
    writeFinishStep(engine, row, [&](FinishStepConfig &step) { step.effect = effect; });
}

void setFinishDuration(StatusRulesEngine &engine, int row, double seconds)
{
    writeFinishStep(engine, row, [&](FinishStepConfig &step) { step.durationSeconds = seconds; });
}

void setFinishColor(StatusRulesEngine &engine, int row, std::uint8_t hue, std::uint8_t saturation, std::uint8_t value)
{
    writeFinishStep(engine, row, [&](FinishStepConfig &step) { step.hue = hue; });
    writeFinishStep(engine, row, [&](FinishStepConfig &step) { step.saturation = saturation; });
    writeFinishStep(engine, row, [&](FinishStepConfig &step) { step.value = value; });
}

} // namespace StatusRulesEditing
