#pragma once

#include <QDate>
#include <QDialog>

class QDateEdit;
class QGroupBox;
class QRadioButton;

namespace kiro {

// The validity-date filter dialog: no filter, or a range of dates whose
// pickers are enabled only while the range is chosen.
class TDlgDateSelect : public QDialog {
    Q_OBJECT
public:
    explicit TDlgDateSelect(QWidget* parent = nullptr);

    // Preselects the choice and the dates (an invalid date shows today's),
    // runs the dialog and returns its result; on OK the choice and both
    // dates are written back.
    int ShowDialog(bool& filter, QDate& from, QDate& to);

    QRadioButton* radioNoFilter() const { return m_noFilter; }
    QRadioButton* radioFilter() const { return m_filter; }
    QDateEdit* dateFrom() const { return m_from; }
    QDateEdit* dateTo() const { return m_to; }
    QGroupBox* dateGroup() const { return m_group; }

private:
    void updateEnabling();

    QRadioButton* m_noFilter = nullptr;
    QRadioButton* m_filter = nullptr;
    QGroupBox* m_group = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
};

} // namespace kiro
