#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QPushButton;
class QTabWidget;

namespace kiro {

class TFormData;
class TOptionGrid;

namespace db {
class Dataset;
} // namespace db

// "Options - Discounts/Margins": discount levels and margin per series of
// the system (defaults for new projects) and, in project mode, of the
// current project, edited in copies in the private directory that only OK
// writes back.
class TDlgOptDiscMarg : public QDialog {
    Q_OBJECT
public:
    TDlgOptDiscMarg(TFormData& data, bool projectMode, QWidget* parent = nullptr);
    ~TDlgOptDiscMarg() override;

    db::Dataset* systemCopy() const { return m_systemCopy.get(); }
    db::Dataset* projectCopy() const { return m_projectCopy.get(); }
    TOptionGrid* systemGrid() const { return m_systemGrid; }
    TOptionGrid* projectGrid() const { return m_projectGrid; }
    // "&Update project with new values".
    QCheckBox* updateProject() const { return m_update; }

    // "&Copy to project": the system values into the project's rows of the
    // same series.
    void copyToProject();
    // Writes both copies back; false (the dialog stays open) on failure.
    bool save();

public slots:
    void accept() override;

private:
    std::unique_ptr<db::Dataset> makeCopy(const QString& table, db::Dataset& source);
    void closeCopies();

    TFormData& m_data;
    bool m_projectMode;
    TOptionGrid* m_systemGrid = nullptr;
    TOptionGrid* m_projectGrid = nullptr;
    QCheckBox* m_update = nullptr;
    QPushButton* m_copy = nullptr;
    std::unique_ptr<db::Dataset> m_systemCopy;
    std::unique_ptr<db::Dataset> m_projectCopy;
};

// The Options menu's discount command: system mode when no tree node is
// selected or there is no project. After OK the new values go into the
// prices of every product of the project ("Update project" ticked) or of
// the selected product.
bool OptionsDiscounts(TFormData& data, bool nodeSelected, bool productSelected, QWidget* parent = nullptr);

} // namespace kiro
