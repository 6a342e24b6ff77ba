#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;

namespace kiro {

// "Options - Project": the captions of the project tree and the defaults of
// new quotations and products (the Project settings group).
class TDlgOptProj : public QDialog {
    Q_OBJECT
public:
    explicit TDlgOptProj(QWidget* parent = nullptr);

    QLineEdit* projectView() const { return m_projectView; }
    QLineEdit* productView() const { return m_productView; }
    QLineEdit* accessoryView() const { return m_accessoryView; }
    QComboBox* validity() const { return m_validity; }
    QCheckBox* addOption() const { return m_addOption; }
    QCheckBox* hidePrices() const { return m_hidePrices; }
    QCheckBox* hideTechData() const { return m_hideTechData; }
    QCheckBox* prevProdUse() const { return m_prevProdUse; }
    QTabWidget* pages() const { return m_pages; }

public slots:
    // Validates in the order of the fields; an invalid one keeps the
    // dialog open on it with its message.
    void accept() override;

private:
    QTabWidget* m_pages = nullptr;
    QLineEdit* m_projectView = nullptr;
    QLineEdit* m_productView = nullptr;
    QLineEdit* m_accessoryView = nullptr;
    QComboBox* m_validity = nullptr;
    QCheckBox* m_addOption = nullptr;
    QCheckBox* m_hidePrices = nullptr;
    QCheckBox* m_hideTechData = nullptr;
    QCheckBox* m_prevProdUse = nullptr;
};

// The Options menu's project command; after OK `relabelTree` captions the
// whole project tree anew. True when OK was pressed.
bool OptionsProject(const std::function<void()>& relabelTree, QWidget* parent = nullptr);

} // namespace kiro
