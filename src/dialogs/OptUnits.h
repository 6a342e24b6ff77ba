#pragma once

#include <QDialog>

class QRadioButton;
class QGroupBox;

namespace kiro {

class TFormData;
class TOptionGrid;

namespace db {
class Dataset;
} // namespace db

// "Options - Units": the default unit, visibility and display format of
// every technical property, edited in the system table directly; OK can
// also bring the technical data of the selected product or of the whole
// project into these units.
class TDlgOptUnits : public QDialog {
    Q_OBJECT
public:
    enum class Apply { Nothing, Product, Project };

    // `projectSelected`: a tree node is selected and the project table has
    // rows; `itemSelected`: that node is a product or an accessory, and
    // `accessorySelected` an accessory.
    TDlgOptUnits(TFormData& data, bool projectSelected, bool itemSelected, bool accessorySelected,
                 QWidget* parent = nullptr);

    TOptionGrid* grid() const { return m_grid; }
    QGroupBox* applyGroup() const { return m_group; }
    QRadioButton* applyButton(Apply apply) const;
    Apply apply() const;

    // "Set SI-units" / "Set US-units".
    void setStandardUnits(bool si);

public slots:
    void accept() override;

private:
    void applyTo(db::Dataset& techData);

    TFormData& m_data;
    bool m_accessorySelected;
    TOptionGrid* m_grid = nullptr;
    QGroupBox* m_group = nullptr;
    QRadioButton* m_nothing = nullptr;
    QRadioButton* m_product = nullptr;
    QRadioButton* m_project = nullptr;
};

bool OptionUnits(TFormData& data, bool projectSelected, bool itemSelected, bool accessorySelected,
                 QWidget* parent = nullptr);

} // namespace kiro
