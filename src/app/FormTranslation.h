#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace kiro {

// Where window texts come from: the columns of the interface tables on the
// row of the active language. A column that does not exist is nullopt; an
// existing column may hold an empty text.
class TranslationSource {
public:
    virtual ~TranslationSource();
    // Nothing is translated while the main interface table is closed.
    virtual bool isOpen() const = 0;
    // The dialog table's column, else the main table's column.
    virtual std::optional<QString> lookup(const QString& name) const = 0;
    virtual std::optional<QString> menuText(const QString& name) const = 0;
    virtual std::optional<QString> toolButtonText(const QString& name) const = 0;
};

// Widget conventions the translation relies on, set by the code that builds
// a window:
// - a QGroupBox with the property "radioGroup" set is a radio group whose
//   items are its QRadioButton children in order; with the property
//   "storedValues" (a QStringList) it is a data-bound radio group, whose item
//   texts are translated only while it has such a list;
// - a QLabel in a QStatusBar is a panel; one with the property "bevel" set
//   keeps its text;
// - a QToolButton on a QToolBar is a tool button (texts and hints from the
//   tool button table); any other QToolButton is a plain speed button.
void translateForm(QWidget& form, const TranslationSource& source);

} // namespace kiro
