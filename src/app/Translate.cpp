#include "app/Translate.h"

#include "app/core/Messages.h"

#include <QDebug>
#include <QWidget>

namespace kiro {

namespace {
FormTranslator& translator()
{
    static FormTranslator fn;
    return fn;
}
LanguageSwitch& otherSwitch()
{
    static LanguageSwitch fn;
    return fn;
}
} // namespace

void setFormTranslator(FormTranslator fn)
{
    translator() = std::move(fn);
}

void TranslateForm(QWidget& form)
{
    if (!translator())
        return;
    try {
        translator()(form);
    } catch (const std::exception& e) {
        qWarning() << "Translating" << form.objectName() << "failed:" << e.what();
    }
}

QString GetLangID(const QString& languageSetting)
{
    return languageSetting.isEmpty() ? QStringLiteral("UK") : languageSetting;
}

void SetLangApplication(const QString& languageId)
{
    SetActiveLanguage(languageId);
}

void setOtherLanguageSwitch(LanguageSwitch fn)
{
    otherSwitch() = std::move(fn);
}

void SetLangOther(const QString& languageId)
{
    if (otherSwitch())
        otherSwitch()(languageId);
}

} // namespace kiro
