#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

namespace kiro {

// Button codes of the message box (the modal results callers compare with).
enum MsgCode : int {
    MsgCodeOK = 1,
    MsgCodeCancel = 2,
    MsgCodeAbort = 3,
    MsgCodeRetry = 4,
    MsgCodeIgnore = 5,
    MsgCodeYes = 6,
    MsgCodeNo = 7,
    MsgCodeAll = 8,
    MsgCodeNoToAll = 9,
    MsgCodeYesToAll = 10,
};

// The language the user interface is shown in (a column name of the
// language tables); empty until a language has been set.
QString GetActiveLanguage();
void SetActiveLanguage(const QString& language);

// Where MsgText finds translations: the text of a key in a language, or
// nothing when there is no row or no such column. The language tables
// install the real lookup once they are open; until then every key shows
// as itself. Errors of the lookup must not escape it.
using MessageLookup = std::function<std::optional<QString>(const QString& key, const QString& language)>;
void setMessageLookup(MessageLookup lookup);

// The translated text of a key, without arguments filled in; the key itself
// when there is no translation. An empty translation stays empty.
QString MsgText(const QString& key);

// Shows the translated message box and returns the code of the button
// pressed. Throws FormatError, before anything is shown, when the arguments
// do not fit the text.
int MsgDialog(const QString& key, const QVariantList& args, int defaultCode, const QList<int>& buttons);

int MsgOK(const QString& key, const QVariantList& args = {});
int MsgYesNo(const QString& key, const QVariantList& args = {});
int MsgNoYes(const QString& key, const QVariantList& args = {});
int MsgYesNoCancel(const QString& key, const QVariantList& args = {});
int MsgNoYesCancel(const QString& key, const QVariantList& args = {});

// The platform's plain information box, untranslated, for the few notices
// that must not depend on the language tables.
void ShowPlainMessage(const QString& text);

} // namespace kiro
