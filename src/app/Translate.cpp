#include "app/Translate.h"

#include "app/core/AppContext.h"

#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <QWidget>

namespace kiro {

namespace {
FormTranslator& translator()
{
    static FormTranslator fn;
    return fn;
}
QString& helpFile()
{
    static QString file;
    return file;
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

void SetHelpFile(const QString& language)
{
    QString file = app().helpDir() + QStringLiteral("KIRO_%1.html").arg(language);
    if (!QFile::exists(file))
        file = app().helpDir() + QStringLiteral("KIRO_UK.html");
    helpFile() = file;
}

QString HelpFile()
{
    if (helpFile().isEmpty())
        SetHelpFile(QStringLiteral("UK"));
    return helpFile();
}

void OpenHelp()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFile()));
}

} // namespace kiro
