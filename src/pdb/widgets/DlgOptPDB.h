#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace kiro {

class ThmCheckListBox;

// The production-centre codes of the settings as the options dialog shows
// them ("DEM" is "SPLMR", "IEM" "SPIRL", "SEM" "SPSWE"; "SEP" and "PXM"
// are not shown), a comma list in, a comma list out.
QString PDBCentreCodesToNames(const QString& codes);
// One shown name back to its code; a name without a code stays as it is.
QString PDBCentreNameToCode(const QString& name);

// The configurator's options ("Manufacturing plant"): which production
// centres the selections include, the special parts, the defaults used when
// an item is created, and the optimisation switches. OK writes group PDB of
// the settings; Cancel changes nothing. OK is enabled only while a supplier
// is ticked.
class TDlgOptPDB : public QDialog {
    Q_OBJECT
public:
    explicit TDlgOptPDB(QWidget* parent = nullptr);

    ThmCheckListBox* suppliers() const { return m_suppliers; }
    bool IsDlgInputOK() const;
    void SetDlgInputOK();
    void SetupAppMode();

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    ThmCheckListBox* m_suppliers = nullptr;
    QCheckBox* m_special = nullptr;
    QRadioButton* m_default[3] = {};
    QCheckBox* m_classes = nullptr;
    QCheckBox* m_translate = nullptr;
    QPushButton* m_ok = nullptr;
    bool m_shown = false;
};

} // namespace kiro
