#pragma once

#include <QDialog>
#include <QList>

class QFrame;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace kiro {

// The translated message box: a text and a row of buttons, each of which
// closes the box with its code. The close box answers 2 (Cancel) whatever
// buttons are shown.
class TDlgMsg : public QDialog {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 290;
    static constexpr int DesignHeight = 140;

    explicit TDlgMsg(QWidget* parent = nullptr);

    // Fills in the text, one button per code in the order given, and the
    // default button (none when no button has that code).
    void setup(const QString& caption, const QString& text, const QList<int>& codes, int defaultCode);

    const QList<QPushButton*>& buttons() const { return m_buttons; }
    QPushButton* defaultButton() const;
    QString messageText() const;

    // The component name of a button code ("BtnOK", ..., "Btn%d").
    static QString buttonName(int code);

public slots:
    void reject() override;

private:
    QPushButton* createButton(int code, int index);

    QFrame* m_panMessage = nullptr;
    QPlainTextEdit* m_message = nullptr;
    QFrame* m_divider = nullptr;
    QWidget* m_panButtons = nullptr;
    QList<QPushButton*> m_buttons;
};

} // namespace kiro
