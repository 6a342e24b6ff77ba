#pragma once

#include <QDialog>

class QLineEdit;

namespace kiro {

// "Copy files": copies every file of a source folder into a destination
// folder (made when missing), with a progress window that can cancel.
class TDlgCopyFiles : public QDialog {
    Q_OBJECT
public:
    explicit TDlgCopyFiles(QWidget* parent = nullptr);

    QLineEdit* sourceEdit() const { return m_source; }
    QLineEdit* destinationEdit() const { return m_destination; }

    enum class Result { Copied, Aborted, Failed };
    // Copies the files; existing files of the same names are replaced.
    static Result copyFiles(const QString& source, const QString& destination, QString* error = nullptr);

public slots:
    void accept() override;

private:
    QLineEdit* m_source = nullptr;
    QLineEdit* m_destination = nullptr;
};

// True when the files were copied; the paths hold what the user entered.
bool ExecuteCopyFiles(QString& source, QString& destination, bool focusOnSource);

} // namespace kiro
