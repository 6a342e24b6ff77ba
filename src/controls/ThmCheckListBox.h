#pragma once

#include <QColor>
#include <QFrame>
#include <QListWidget>
#include <QStyle>

#include <functional>

class QHeaderView;
class QStandardItemModel;

namespace kiro {

// A list box whose items carry a mark in a check column: a check box with
// the states unchecked, checked and grayed, or a radio button. Items can be
// disabled (the mark cannot be changed, the text is grey) and belong to a
// group; UpdateRadioGroups turns every item that shares its group with
// another into a radio button.
//
// The per-item values live in the items themselves (item data roles), so
// they survive a change of parent or a re-creation of the native window.
// Reading an item that was never given a value gives unchecked, enabled,
// not radio and group -1. An index outside the list throws
// std::out_of_range, the list's index error. Main thread only.
class ThmCheckListBox : public QListWidget {
    Q_OBJECT
public:
    enum CheckState : int { StateUnchecked = 0, StateChecked = 1, StateGrayed = 2 };

    explicit ThmCheckListBox(QWidget* parent = nullptr);

    bool showCheckboxes() const { return m_showCheckboxes; }
    void setShowCheckboxes(bool show);
    bool flat() const { return m_flat; }
    void setFlat(bool flat);
    bool allowGrayed() const { return m_allowGrayed; }
    void setAllowGrayed(bool allow) { m_allowGrayed = allow; }
    // A fixed height of every item; 0 follows the font (the height of "Wg").
    int itemHeight() const;
    void setItemHeight(int height);
    // Where an item's text is drawn: the colour of enabled items' texts
    // (an invalid state is drawn by the owner in red).
    void setTextColor(const QColor& color);

    // The width of the check column in pixels (0 when the marks are not shown).
    int checkColumnWidth() const;

    void addItemText(const QString& text);
    QString itemText(int index) const;

    bool Checked(int index) const { return State(index) == StateChecked; }
    void setChecked(int index, bool checked) { setState(index, checked ? StateChecked : StateUnchecked); }
    int State(int index) const;
    void setState(int index, int state);
    bool Disabled(int index) const;
    void setDisabled(int index, bool disabled);
    bool Radio(int index) const;
    void setRadio(int index, bool radio);
    int Group(int index) const;
    void setGroup(int index, int group);
    int ItemData(int index) const;
    void setItemData(int index, int data);

    // Radio buttons for every item whose group another item shares; the
    // others are check boxes.
    void UpdateRadioGroups();

    // Owner drawing of an item's text (the mark is always drawn by the
    // list): the rectangle right of the check column.
    using DrawTextHandler = std::function<void(QPainter& painter, int index, const QRect& rect,
                                               QStyle::State state)>;
    void setDrawTextHandler(DrawTextHandler handler) { m_drawText = std::move(handler); }

    // What the user does to a mark: a press inside the check column or the
    // space bar on the current item. Public so that owners can forward.
    void ToggleMark(int index);

signals:
    // After the user changed an item's mark.
    void clickCheck(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class ThmCheckListDelegate;
    QListWidgetItem* checkedItem(int index) const;
    void paintItem(QPainter& painter, const QStyleOptionViewItem& option, int index) const;

    bool m_showCheckboxes = true;
    bool m_flat = false;
    bool m_allowGrayed = false;
    int m_itemHeight = 0;
    QColor m_textColor;
    DrawTextHandler m_drawText;
};

// A panel of a header above a ThmCheckListBox whose item texts are split
// into columns at DelimChar (TAB by default), one per header section. With
// check boxes shown, section 0 is the 16-pixel check column.
class ThmHeaderCheckListBox : public QFrame {
    Q_OBJECT
public:
    enum LBStyle { hlbStandard, hlbOwnerDraw };
    struct Section {
        QString text;
        int width = 50;
        Qt::Alignment alignment = Qt::AlignLeft;
    };
    static constexpr int CheckSectionWidth = 16;

    explicit ThmHeaderCheckListBox(QWidget* parent = nullptr);

    ThmCheckListBox* list() const { return m_list; }
    QHeaderView* header() const { return m_header; }

    // The text sections (the check section is added in front when the check
    // boxes are shown).
    void setSections(const QList<Section>& sections);
    int sectionCount() const;
    QString sectionText(int section) const;
    int sectionWidth(int section) const;
    void setSectionWidth(int section, int width);

    bool showCheckboxes() const { return m_list->showCheckboxes(); }
    void setShowCheckboxes(bool show);
    bool showHeader() const { return m_showHeader; }
    void setShowHeader(bool show);
    QChar delimChar() const { return m_delim; }
    void setDelimChar(QChar c);
    QColor sepColor() const { return m_sepColor; }
    void setSepColor(const QColor& color);
    LBStyle lbStyle() const { return m_style; }
    void setLBStyle(LBStyle style);
    using DrawCellHandler = std::function<void(QPainter& painter, int index, int col, const QRect& rect,
                                               QStyle::State state)>;
    void setDrawCellHandler(DrawCellHandler handler) { m_drawCell = std::move(handler); }

    // Field col (from 0) of item index's text; empty beyond the items.
    QString CellText(int index, int col) const;

    // The item operations of the inner list.
    int count() const { return m_list->count(); }
    void clear() { m_list->clear(); }
    void addItemText(const QString& text) { m_list->addItemText(text); }
    bool Checked(int index) const { return m_list->Checked(index); }
    void setChecked(int index, bool checked) { m_list->setChecked(index, checked); }
    int State(int index) const { return m_list->State(index); }
    void setState(int index, int state) { m_list->setState(index, state); }
    bool Disabled(int index) const { return m_list->Disabled(index); }
    void setDisabled(int index, bool disabled) { m_list->setDisabled(index, disabled); }
    bool Radio(int index) const { return m_list->Radio(index); }
    void setRadio(int index, bool radio) { m_list->setRadio(index, radio); }
    int Group(int index) const { return m_list->Group(index); }
    void setGroup(int index, int group) { m_list->setGroup(index, group); }
    void UpdateRadioGroups() { m_list->UpdateRadioGroups(); }

signals:
    void clicked(int index);
    void clickCheck(int index);
    void doubleClicked(int index);

private:
    void drawRow(QPainter& painter, int index, const QRect& rect, QStyle::State state);
    void relayout();

    ThmCheckListBox* m_list = nullptr;
    QHeaderView* m_header = nullptr;
    QStandardItemModel* m_headerModel = nullptr;
    bool m_showHeader = true;
    bool m_checkSection = false; // section 0 is the check column
    QChar m_delim = QLatin1Char('\t');
    QColor m_sepColor = QColor(192, 192, 192);
    LBStyle m_style = hlbStandard;
    DrawCellHandler m_drawCell;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace kiro
