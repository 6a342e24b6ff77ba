#pragma once

#include <QDialog>

class QListWidget;

namespace kiro {

class TFormData;

// "Options - Language": the languages of the language database. Choosing
// one previews it in the dialog itself; OK makes it the user's language.
class TDlgLang : public QDialog {
    Q_OBJECT
public:
    TDlgLang(TFormData& data, const QString& current, QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    // The identifier of the chosen language.
    QString chosen() const;

    // Puts the interface tables on a language and translates this dialog.
    void preview(const QString& language);

private:
    TFormData& m_data;
    QListWidget* m_list = nullptr;
};

} // namespace kiro
