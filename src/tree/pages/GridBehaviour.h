#pragma once

#include "controls/GridModel.h"
#include "data/FormData.h"

#include <QColor>
#include <QString>

#include <functional>

class QMenu;
class QWidget;

namespace kiro {

class ThmDBGrid;

namespace db {
class Field;
} // namespace db

// Behaviours shared by the data grids of the detail pages and tabs. Each is
// a free function that installs itself on a grid or acts on one, so that a
// grid built anywhere (pages, technical-data tabs, order tabs) gets the
// same rules. Main thread only.

// --- colours of the pages ------------------------------------------------------------------------
// Read-only fields and columns: the tooltip background; editable ones: the
// window colour; check-box columns: the button face.
QColor ReadOnlyColor();
QColor EditableColor();
QColor CheckBoxColor();

// Item rows: additional options green, alternatives blue (an item that is
// both is an option first).
inline const QColor kAddOptionTextColor{0x00, 0x80, 0x00};
inline const QColor kAlternateTextColor{0x00, 0x00, 0xFF};

// A grid column with the colour of its access: check box, read-only or
// editable.
GridColumn PageColumn(const QString& field, const QString& title, bool readOnly, int width = -1);
GridColumn CheckColumn(const QString& field, const QString& title, bool readOnly = false, int width = 24);
// A column showing its number with a display picture (FormatFloat); empty
// cells stay empty.
GridColumn NumberColumn(const QString& field, const QString& title, bool readOnly, const char* picture,
                        int width = -1);

// --- keys ------------------------------------------------------------------------------------------
// No record is created from the keyboard: Insert is ignored, Down stops at
// the last record, Tab after the last editable column goes to the first
// editable column of the next record. The grid carries the rule itself;
// this switches it on and makes Tab move between the cells.
void GridPreventAdding(ThmDBGrid& grid);

// --- drawing ---------------------------------------------------------------------------------------
// The text colour of a row by the item's AddOption and Alternate flags;
// invalid for an ordinary row or a grid without those fields.
QColor AltAddRowColor(const ThmDBGrid& grid, int row);
void DrawAltAddGrid(ThmDBGrid& grid);

// Technical-data rows: the user's own rows show property and unit as
// read-only, rows from the product database their value; a row without a
// unit has its unit cell crossed out.
void DrawTechDataGrid(ThmDBGrid& grid);

// --- alternatives ----------------------------------------------------------------------------------
// A click on the "Alternate for" cell (_ALTER_PROD, _ALTER_ACC) of the
// product or accessory list lets the user choose the item this one is an
// alternative to. True when a choice was stored.
bool GridAlternate(TFormData& data, ThmDBGrid& grid, int column, QWidget* parent = nullptr);
// Installs GridAlternate on the grid's cell clicks.
void ConnectGridAlternate(TFormData& data, ThmDBGrid& grid);
// hmOnBeforeEditing of the accessory list: the Alternate check box can
// clear the flag of an alternative but never set it (an accessory becomes
// an alternative by choosing what it stands for).
bool GridBeforeEditingAlternate(ThmDBGrid& grid, const db::Field& field, int column);

// --- title clicks ----------------------------------------------------------------------------------
struct TitleClickHooks {
    // The value asked for; empty: the input box of the grids (caption = the
    // column title).
    TFormData::ValueInput input;
    // The discount options, opened instead of asking on the Discount and
    // Contribution titles of the price rows; empty: the options dialog for
    // the selected product.
    std::function<void()> openDiscounts;
};
// A click on a column title sets one value in the whole column
// (SetProjectFactor), or opens the discount options for the price rows.
TFormData::ColumnAction GridTitleClick(TFormData& data, ThmDBGrid& grid, TFormData::PriceGrid kind, int column,
                                       const TitleClickHooks& hooks = {});
void ConnectTitleClicks(TFormData& data, ThmDBGrid& grid, TFormData::PriceGrid kind,
                        std::function<TitleClickHooks()> hooks = {});
// The input box of a column-wide value: caption, prompt and value; true on OK.
bool InputColumnValue(const QString& caption, const QString& prompt, QString& value);
// In the technical-data grids a click on the "_UNIT" title opens the unit
// options (the hook); true when it was that title.
bool TechDataTitleClick(ThmDBGrid& grid, int column, const std::function<void()>& openUnits);

// A lookup column whose value is picked from a list (the currency columns
// behind _CURR_LOOKUP, _NET_CURR, _LIST_CURR): a click on its cell or F2
// offers the entries, and the entry picked goes into the key field.
void LookupPickColumn(ThmDBGrid& grid, const QString& lookupField, const QString& keyField,
                      std::function<QStringList()> entries);
// Writes a picked value into the key field of the current record and posts
// it; false when the grid or the record cannot be edited (shown if it fails).
bool PickLookupValue(ThmDBGrid& grid, const QString& keyField, const QString& value);

// --- columns ---------------------------------------------------------------------------------------
// A column dragged with the mouse and dropped left of or above the grid is
// taken out of the grid (the cost price grid).
void RemoveColumnsDraggedOut(ThmDBGrid& grid);

// --- copying ---------------------------------------------------------------------------------------
// The grid as TAB-separated lines: titles (when shown), then one line per
// record; boolean columns left out, columns empty in every record removed.
// The technical-data variant drops lines whose second cell is blank. Any
// failure gives an empty text; the cursor does not move.
QString ControlToText(const ThmDBGrid& grid, bool techData = false);
// Puts the text on the clipboard; an empty text leaves the clipboard as it
// is. False when nothing was put there.
bool CopyTextToClipboard(const QString& text);

// The grid context menu "Copy" / "Copy (transformed)" (the second
// transposes the lines first). `text` replaces the grid's own text (the
// configurator tab gives its selection summary); empty: ControlToText.
// The menu is a child of the grid, so the window's translation reaches it.
QMenu* PopupGrid(ThmDBGrid& grid, bool techData = false, std::function<QString()> text = {});

} // namespace kiro
