#pragma once

#include "controls/FieldLink.h"
#include "controls/GridModel.h"

#include <QComboBox>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QGridLayout;
class QLabel;
class QToolButton;
class QWidget;

namespace kiro {

class ThmDBGrid;
class ThmDBStatic;
class TDBEdit;
class TDBNavigator;

namespace db {
class DataSource;
} // namespace db

// Small pieces the detail pages are built from. Main thread only.

// Read-only fields show the tooltip background, editable ones the window
// colour.
void SetFieldColor(QWidget& control, bool readOnly);

// A caption label with a component name (so that the window translation
// finds it) and, when given, the control it names.
QLabel* Caption(const QString& name, const QString& text, QWidget* parent, QWidget* buddy = nullptr);

// A read-only field text; with a picture the number is shown through
// FormatFloat, and an empty field stays empty.
ThmDBStatic* FieldText(const QString& name, db::DataSource& source, const QString& field, QWidget* parent,
                       const char* picture = nullptr);
// An editor of one field.
TDBEdit* FieldEdit(const QString& name, db::DataSource& source, const QString& field, QWidget* parent,
                   bool readOnly = false);

// A grid of a detail page: the columns on the source, the page keys
// (GridPreventAdding) and the context menu PopupGrid. `options`: the
// grid's ThmDBGrid::Options, negative for the defaults.
ThmDBGrid* PageGrid(const QString& name, db::DataSource& source, const QList<GridColumn>& columns, QWidget* parent,
                    int options = -1);
// The selected row keeps its highlight while the grid has no focus.
void KeepSelectionVisible(ThmDBGrid& grid);
// A navigator with insert, delete, post and cancel.
TDBNavigator* EditNavigator(const QString& name, db::DataSource& source, QWidget* parent);
// A small arrow button with a hint ("Move selected up").
QToolButton* MoveButton(const QString& name, bool up, QWidget* parent);

// A drop-down bound to one text field whose entries are read each time the
// list opens (users, currencies).
//
// Editable: the user may type any text or pick an entry; the text goes into
// the field as an edit does (on leaving, before a post, on picking).
// Not editable: the box shows the field's value and picking an entry only
// emits chosen(); the owner decides how the choice is stored (a currency
// choice recalculates prices).
class TDBListCombo : public QComboBox {
    Q_OBJECT
public:
    explicit TDBListCombo(bool editable, QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.attach(source); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    FieldLink& link() { return m_link; }

    void setListProvider(std::function<QStringList()> provider) { m_provider = std::move(provider); }
    void setSorted(bool sorted) { m_sorted = sorted; }
    // Reads the entries again (done by every drop-down).
    void fillList();

    void showPopup() override;

signals:
    void chosen(const QString& text);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showValue();
    void userTyped();
    void userPicked(int index);

    FieldLink m_link;
    std::function<QStringList()> m_provider;
    bool m_sorted = false;
    bool m_loading = false;
};

} // namespace kiro
