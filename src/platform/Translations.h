#pragma once

#include <QLocale>

namespace tovi {

// Installs the interface's translations for `locale` on the application: English first (the
// singular and plural of counted texts), then Qt's own texts and Tovi's for the locale when
// they exist. The pseudo-locale en_XA (LANGUAGE=en_XA) shows every text accented and longer.
// Returns whether a translation of Tovi other than English was found.
bool installTranslations(const QLocale& locale);

} // namespace tovi
