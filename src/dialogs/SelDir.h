#pragma once

#include <QDialog>

class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace kiro {

// Chooses a directory in a tree of the file system; optionally makes a new
// subdirectory of the listed one.
class TDlgSelDir : public QDialog {
    Q_OBJECT
public:
    explicit TDlgSelDir(QWidget* parent = nullptr);

    void setAllowNew(bool allow);
    // Lists a directory (selects it in the tree).
    void listDirectory(const QString& path);
    // The listed directory, ending with '/'.
    QString directory() const;

    // Asks for a name and makes that subdirectory of the listed directory.
    void newSubdirectory();

public slots:
    // A typed directory that does not exist is not a choice.
    void accept() override;

private:
    QFileSystemModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QLineEdit* m_path = nullptr;
    QPushButton* m_new = nullptr;
};

// The directory selection of every directory setting. True on OK with the
// chosen directory in `path` (ending with '/'); a path that does not exist
// is reported and the program directory is listed instead.
bool ExecuteSelDir(QString& path, bool allowNew);

} // namespace kiro
