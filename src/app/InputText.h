#pragma once

#include <QString>
#include <QStringList>

namespace kiro {

// The one-line input dialog (TDlgInput): the application title as caption,
// a prompt and a value the user may change. True on OK, with the value;
// false otherwise, the value unchanged.
bool InputText(const QString& prompt, QString& value);

// A choice from a list: true on OK with the chosen entry.
bool ChooseItem(const QString& caption, const QString& prompt, const QStringList& items, QString& chosen);

} // namespace kiro
