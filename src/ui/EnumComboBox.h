#pragma once

#include <QComboBox>
#include <QVariant>

#include <optional>

// Combo boxes that offer the cases of an enumeration, each item's data being the case's value as an
// int, so a picker reads back the case whatever order its items are in.
namespace EnumComboBox {

// Selects the item of that case, without emitting the picker's user signal (activated); the index
// signals fire as usual. Nothing changes when no item holds the case.
template <typename E>
void select(QComboBox &picker, E value)
{
    const int index = picker.findData(static_cast<int>(value));
    if (index >= 0) {
        picker.setCurrentIndex(index);
    }
}

// The case of the current item through `fromInt` (int -> std::optional<E>); absent when nothing is
// selected or the item's data is no case.
template <typename E, typename FromInt>
std::optional<E> current(const QComboBox &picker, FromInt fromInt)
{
    const QVariant data = picker.currentData();
    bool ok = false;
    const int raw = data.toInt(&ok);
    if (!data.isValid() || !ok) {
        return std::nullopt;
    }
    return fromInt(raw);
}

} // namespace EnumComboBox
