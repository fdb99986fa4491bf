#include "platform/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tovi {

namespace {

const QString ownDirectory = QStringLiteral(":/i18n");

QTranslator* load(const QLocale& locale, const QString& name, const QString& directory) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, QStringLiteral("_"), directory))
        return translator;
    delete translator;
    return nullptr;
}

} // namespace

bool installTranslations(const QLocale& locale) {
    // The source texts are English already; this only picks "1 day" or "2 days".
    if (QTranslator* english = load(QLocale(QLocale::English), QStringLiteral("tovi"), ownDirectory))
        QCoreApplication::installTranslator(english);
    if (QTranslator* qt =
            load(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    // Installed last, so asked first. A locale without its own file falls back to the English
    // one, which is in place already.
    QTranslator* own = load(locale, QStringLiteral("tovi"), ownDirectory);
    if (own && own->language() != QLatin1String("en")) {
        QCoreApplication::installTranslator(own);
        return true;
    }
    delete own;
    return false;
}

} // namespace tovi
