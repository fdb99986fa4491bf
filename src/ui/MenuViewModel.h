#pragma once

#include "ui/AccountMenuViewModel.h"
#include "ui/BodyViewModel.h"
#include "ui/ColorScheme.h"
#include "ui/FooterViewModel.h"
#include "ui/HeaderViewModel.h"
#include "ui/SettingsViewModel.h"
#include <QDateTime>

#include <QObject>
#include <QString>

#include <functional>

namespace tovi {

class StatusStore;
class AppUpdater;

// Everything the drop-down window shows, as one object handed to the window: the header, the body
// and the footer, and the colour scheme they use; and the account menu and its settings,
// which the application shows as a native menu.
class MenuViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(tovi::ColorScheme* colors READ colors CONSTANT)
    Q_PROPERTY(tovi::HeaderViewModel* header READ header CONSTANT)
    Q_PROPERTY(tovi::BodyViewModel* body READ body CONSTANT)
    Q_PROPERTY(tovi::FooterViewModel* footer READ footer CONSTANT)
    Q_PROPERTY(QString symbolFontFamily READ symbolFontFamily CONSTANT)

public:
    MenuViewModel(StatusStore* store, AppUpdater* updater, std::function<QDateTime()> now = {},
                  QObject* parent = nullptr);

    ColorScheme* colors() const { return m_colors; }
    bool dark() const;
    void setDark(bool dark);
    HeaderViewModel* header() const { return m_header; }
    AccountMenuViewModel* accountMenu() const { return m_accountMenu; }
    SettingsViewModel* settings() const { return m_settings; }
    BodyViewModel* body() const { return m_body; }
    FooterViewModel* footer() const { return m_footer; }
    QString symbolFontFamily() const;

    // The glyph of a symbol name, for symbols the window shows as constants.
    Q_INVOKABLE QString glyph(const QString& symbolName) const;
    // The window opened (or closed): while it is closed nothing is recomputed; on opening the
    // profiles are reloaded and whatever changed meanwhile, and the time-dependent texts, are
    // brought up to date.
    void setActive(bool active);
    // "Quit Tovi": the application shell decides how to end.
    Q_INVOKABLE void quit();

Q_SIGNALS:
    void quitRequested();

private:
    StatusStore* m_store;
    ColorScheme* m_colors;
    HeaderViewModel* m_header;
    AccountMenuViewModel* m_accountMenu;
    SettingsViewModel* m_settings;
    BodyViewModel* m_body;
    FooterViewModel* m_footer;
};

} // namespace tovi
