#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kiro {

class TFormData;
namespace db {
class Dataset;
}

// "User information": edits the user's row of the user table (a new row
// for a name that is not registered yet). OK needs a login name, a full
// name and a sales company.
class TDlgUserInfo : public QDialog {
    Q_OBJECT
public:
    TDlgUserInfo(db::Dataset& users, db::Dataset& sales, QWidget* parent = nullptr);

    void setNotRegistered(bool notRegistered);
    // Fills the fields from the current user row.
    void loadRecord();

    QLineEdit* loginEdit() const { return m_login; }
    QLineEdit* nameEdit() const { return m_name; }
    QComboBox* companyBox() const { return m_company; }
    QCheckBox* saveBox() const { return m_save; }
    QPushButton* okButton() const { return m_ok; }

public slots:
    void accept() override;

private:
    void updateOk();

    db::Dataset& m_users;
    QLabel* m_notFound = nullptr;
    QLineEdit* m_login = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_company = nullptr;
    QLineEdit* m_tel = nullptr;
    QLineEdit* m_fax = nullptr;
    QLineEdit* m_email = nullptr;
    QLineEdit* m_mobile = nullptr;
    QCheckBox* m_save = nullptr;
    QPushButton* m_ok = nullptr;
};

// Runs the dialog on the user `id`; true on OK with the row's values in the
// three arguments. `notRegistered` shows the line that the name was not
// found.
bool ExecuteUserInfo(TFormData& data, QString& id, QString& name, QString& company, bool notRegistered);

} // namespace kiro
