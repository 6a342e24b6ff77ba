#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace kiro::pdb {

// One line of the part list: a part of a type, its class and article number.
struct PartListItem {
    int partType = 0;  // also the radio group
    QString no;        // "01".."09", "10", ...
    QString name;      // translated type name
    QString cls;
    QString number;    // article number
    QString note;
    QString extra;     // "X" for a part from the extra parts table
    QString added;     // "A" for a stored part or a missing required type
    bool radio = false;
    bool checked = false;
    bool enabled = false;

    // The seven texts handed over and stored, columns "No." to "A".
    QStringList columns() const { return {no, name, cls, number, note, extra, added}; }
    QString lineText() const { return columns().join(QLatin1Char('\t')); }
};

// The part list as a list model: the window (or a dialog) shows it, ticks
// radio buttons, and asks whether the choice is complete.
class PartListModel {
public:
    const std::vector<PartListItem>& items() const { return m_items; }
    std::vector<PartListItem>& items() { return m_items; }
    bool isEmpty() const { return m_items.empty(); }
    void clear() { m_items.clear(); }
    bool containsNumberText(const QString& number) const;
    // Ticks one radio button of a type (the others of the type are cleared).
    void tick(int index, bool ticked);
    // For every type 1..20 that has items, at least one is ticked.
    bool SelectionOK() const;
    void setRadioGroups(const QStringList& storedParts);
    void setEnabledFor(bool dialogMode);

private:
    std::vector<PartListItem> m_items;
};

// The kind of a part list's message in dialog mode: 1 choices to make,
// 2 or 3 required parts missing.
QString partListDialogText(int kind);

} // namespace kiro::pdb
