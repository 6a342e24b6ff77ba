#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

namespace kiro {

class ThmHeaderCheckListBox;

// The accessories that fit the pump being configured: one line per
// accessory, none ticked at first; OK gives the ticked lines in list order.
class TDlgSelAcc : public QDialog {
    Q_OBJECT
public:
    explicit TDlgSelAcc(QWidget* parent = nullptr);

    void setTexts(const QStringList& texts);
    QList<int> tickedIndexes() const;
    ThmHeaderCheckListBox* list() const { return m_list; }

private:
    ThmHeaderCheckListBox* m_list = nullptr;
};

} // namespace kiro
