#include "ui/MenuViewModel.h"

#include "store/StatusStore.h"
#include "ui/AccountMenuViewModel.h"
#include "ui/BodyViewModel.h"
#include "ui/ColorScheme.h"
#include "ui/FooterViewModel.h"
#include "ui/HeaderViewModel.h"
#include "ui/SettingsViewModel.h"
#include "ui/Symbols.h"
#include "ui/UiTasks.h"

namespace tovi {

MenuViewModel::MenuViewModel(StatusStore* store, AppUpdater* updater, std::function<QDateTime()> now,
                             QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_colors(new ColorScheme(this))
    , m_header(new HeaderViewModel(store, m_colors, this))
    , m_accountMenu(new AccountMenuViewModel(store, this))
    , m_settings(new SettingsViewModel(store, updater, this))
    , m_body(new BodyViewModel(store, m_colors, this))
    , m_footer(new FooterViewModel(store, m_colors, std::move(now), this)) {}

bool MenuViewModel::dark() const {
    return m_colors->dark();
}

void MenuViewModel::setDark(bool dark) {
    m_colors->setDark(dark);
}

QString MenuViewModel::symbolFontFamily() const {
    return Symbols::fontFamily();
}

QString MenuViewModel::glyph(const QString& symbolName) const {
    return Symbols::glyph(symbolName);
}

void MenuViewModel::setActive(bool active) {
    if (active)
        startDetached(m_store->loadProfiles());
    m_header->setActive(active);
    m_accountMenu->setActive(active);
    m_settings->setActive(active);
    m_body->setActive(active);
    m_footer->setActive(active);
}

void MenuViewModel::quit() {
    Q_EMIT quitRequested();
}

} // namespace tovi
