#pragma once

#include "pdb/Conditions.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <vector>

namespace kiro::pdb {

// One value a position can take, from the series' selection table.
struct SelInfo {
    QString keyword;
    QString text;       // translated; a user's description for a value with code "X"
    int group = 1;
    QChar code;         // null when the record has no code
    QString classText;  // from the class look-ahead; empty until computed
    QString mulSelVal = QStringLiteral("0");
    int forcedMulSelVal = 0;
};

// An entry of a drop-down row.
struct ListEntry {
    int selIndex = -1;  // -1: a stored text without a value
    QString text;
    QChar code = QLatin1Char('#');
    int group = -1;
    QString classText = QStringLiteral("?");
    bool invalid = false;
};

// A box of a check-list row ("M" positions).
struct CheckBoxItem {
    int selIndex = -1;
    QString text;
    bool ticked = false;
    bool enabled = true;
    int forcedGroup = 0; // > 0: one of the boxes of which at least one must be ticked
    // The stored record's values in restored mode.
    QString mulSelVal;
    QString classText;
};

// What one row of the configurator shows; the tab draws it.
struct RowView {
    QChar type = QLatin1Char(' '); // 'S', 'Z', 'M' or ' ' (not selectable: hidden)
    QString label;
    QString torvaMark;      // " A" or empty
    bool torvaMarkRed = false;
    QStringList infoTexts;  // the information image's hint; no image when empty
    std::vector<ListEntry> entries; // "S"/"Z"
    int chosen = -1;
    std::vector<CheckBoxItem> boxes; // "M"
    int currentBox = -1;
    bool complete = true;   // "M": a forced box is ticked (or none is forced)
    bool redText = false;   // "M": incomplete, or a ticked box is disabled
    bool tickedDisabled = false; // "M": a ticked box is not allowed any more
    bool enabled = false;   // the list can be changed
    bool lockTicked = false;
    bool lockVisible = true; // hidden on "Z" rows
    QString classLabel;

    const ListEntry* chosenEntry() const
    {
        return chosen >= 0 && chosen < int(entries.size()) ? &entries[std::size_t(chosen)] : nullptr;
    }
};

// The code character of a multiple-choice position from its ticks (box k
// weighs 2^k) and back; a character outside "1".."X" ticks nothing.
QChar encodeTicks(unsigned ticks);
unsigned decodeTicks(QChar c);

} // namespace kiro::pdb
