#pragma once

#include "db/DataSource.h"

#include <QFlags>
#include <QWidget>

#include <array>
#include <functional>

class QToolButton;

namespace kiro {

// A row of buttons that move through and edit a data source's dataset:
// first, prior, next, last, insert, delete, edit, post, cancel, refresh.
// Which buttons are shown is chosen by the owner; each button is enabled
// only when its action makes sense (no "next" on the last record, no
// "post" without an edit). A before-action handler may abandon an action,
// for owners that do the insert or the post their own way. A failing
// action is shown to the user and leaves the record as the dataset left it.
// Main thread only.
class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    enum class Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int kButtonCount = 10;
    Q_ENUM(Button)
    using Buttons = QList<Button>;
    // False abandons the action.
    using BeforeActionHandler = std::function<bool(Button button)>;

    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const { return m_link.dataSource(); }

    void setVisibleButtons(const Buttons& buttons);
    Buttons visibleButtons() const;
    static Buttons allButtons();
    QToolButton* button(Button button) const { return m_buttons[size_t(button)]; }

    // Delete asks "Delete record?" first (on unless switched off).
    void setConfirmDelete(bool confirm) { m_confirmDelete = confirm; }
    bool confirmDelete() const { return m_confirmDelete; }
    void setBeforeAction(BeforeActionHandler handler) { m_beforeAction = std::move(handler); }

    // Carries out a button's action as a click does (when it is enabled).
    void doAction(Button button);
    // Sets the hints again from the message table (after a language change).
    void retranslate();

signals:
    // After a button's action was carried out.
    void clicked(kiro::TDBNavigator::Button button);

private:
    void updateButtons();

    db::FunctionLink m_link;
    std::array<QToolButton*, kButtonCount> m_buttons{};
    bool m_confirmDelete = true;
    BeforeActionHandler m_beforeAction;
};

} // namespace kiro
