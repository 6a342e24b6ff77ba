#include "app/core/Messages.h"

#include "app/core/Interaction.h"
#include "app/core/MsgFormat.h"

namespace kiro {

namespace {

QString& activeLanguage()
{
    static QString language;
    return language;
}

MessageLookup& lookup()
{
    static MessageLookup instance;
    return instance;
}

} // namespace

QString GetActiveLanguage()
{
    return activeLanguage();
}

void SetActiveLanguage(const QString& language)
{
    activeLanguage() = language;
}

void setMessageLookup(MessageLookup fn)
{
    lookup() = std::move(fn);
}

QString MsgText(const QString& key)
{
    QString result = key;
    QString language = GetActiveLanguage();
    if (language.isEmpty())
        language = QStringLiteral("UK");
    if (lookup()) {
        try {
            if (std::optional<QString> text = lookup()(key, language))
                result = *text;
        } catch (...) {
            // A closed or broken message table must not stop the message
            // itself: the key is shown instead.
        }
    }
    return result;
}

int MsgDialog(const QString& key, const QVariantList& args, int defaultCode, const QList<int>& buttons)
{
    MessageRequest request;
    request.key = key;
    request.text = formatMessage(MsgText(key), args);
    request.defaultCode = defaultCode;
    request.buttons = buttons;
    return interaction().showMessage(request);
}

int MsgOK(const QString& key, const QVariantList& args)
{
    return MsgDialog(key, args, MsgCodeOK, {MsgCodeOK});
}

int MsgYesNo(const QString& key, const QVariantList& args)
{
    return MsgDialog(key, args, MsgCodeYes, {MsgCodeYes, MsgCodeNo});
}

int MsgNoYes(const QString& key, const QVariantList& args)
{
    return MsgDialog(key, args, MsgCodeNo, {MsgCodeYes, MsgCodeNo});
}

int MsgYesNoCancel(const QString& key, const QVariantList& args)
{
    return MsgDialog(key, args, MsgCodeYes, {MsgCodeYes, MsgCodeNo, MsgCodeCancel});
}

int MsgNoYesCancel(const QString& key, const QVariantList& args)
{
    return MsgDialog(key, args, MsgCodeNo, {MsgCodeYes, MsgCodeNo, MsgCodeCancel});
}

void ShowPlainMessage(const QString& text)
{
    interaction().showPlainMessage(text);
}

} // namespace kiro
