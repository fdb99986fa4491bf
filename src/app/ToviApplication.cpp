#include "app/ToviApplication.h"

#include "platform/DesktopNotifications.h"
#include "ui/StatusNotices.h"

#include "app/MenuWindow.h"
#include "app/Trace.h"
#include "app/TrayHostWatcher.h"
#include "platform/Appearance.h"
#include "platform/ApplicationActivation.h"
#include "store/StatusStore.h"
#include "ui/MenuViewModel.h"
#include "ui/Symbols.h"
#include "ui/TrayIconRenderer.h"
#include "updater/FeedUpdater.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QMenu>
#include <QPalette>
#include <QStyleFactory>
#include <QSystemTrayIcon>
#include <qcoro/qcorotask.h>

#include <QStyle>

#include <memory>

namespace tovi {

namespace {

// Seconds between the updater's scheduled checks.
constexpr double kUpdateCheckInterval = 3600.0;

QPalette darkPalette() {
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2e);
    const QColor base(0x1f, 0x1f, 0x22);
    const QColor text(0xec, 0xec, 0xee);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0xa0));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x7c, 0xe0));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4f));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x44));
    p.setColor(QPalette::Mid, QColor(0x33, 0x33, 0x36));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Link, QColor(0x6b, 0xa8, 0xff));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0x7a, 0x7a, 0x80));
    // Native menus etch greyed text with the light tone: on a dark face that shadow must sink into
    // the background, not stand beside the text as a second, blurred copy.
    p.setColor(QPalette::Disabled, QPalette::Light, window);
    return p;
}

} // namespace

ToviApplication::ToviApplication(QObject* parent)
    : QObject(parent)
    , m_store(StatusStore::shared())
    , m_steps(*this)
    , m_delegate(m_steps) {
    auto* updater = new FeedUpdater(FeedUpdater::Options::fromEnvironment(m_store.settings()), this);
    m_updater = updater;
    m_updater->setUpdateCheckInterval(kUpdateCheckInterval);
}

ToviApplication::~ToviApplication() {
    // The window shows the view models; it goes first.
    delete m_window;
    m_window = nullptr;
}

void ToviApplication::applicationDidFinishLaunching() {
    if (m_delegate.applicationDidFinishLaunching() == AppDelegate::Outcome::running)
        createShell();
}

bool ToviApplication::acquireInstanceLock() {
    return m_lock.acquire() != InstanceLock::Outcome::heldByAnotherCopy;
}

void ToviApplication::activateRunningCopy() {
    ApplicationActivation activation;
    // Answered or not, this copy leaves: the lock says another one runs.
    QCoro::waitFor(activation.activateRunningCopy());
}

void ToviApplication::registerActivationService() {
    m_activation = new ApplicationActivation(this);
    connect(m_activation, &ApplicationActivation::activateRequested, this,
            [this](const QString& activationToken, const QString& startupId) {
                // Qt's Wayland plugin hands XDG_ACTIVATION_TOKEN to the compositor when the
                // window asks to be activated; set only for this raise, never left behind.
                if (!activationToken.isEmpty())
                    qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
                if (!startupId.isEmpty())
                    qputenv("DESKTOP_STARTUP_ID", startupId.toUtf8());
                showWindow();
                qunsetenv("XDG_ACTIVATION_TOKEN");
                qunsetenv("DESKTOP_STARTUP_ID");
            });
    connect(m_activation, &ApplicationActivation::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    m_activation->registerService();
}

void ToviApplication::registerLoginItemOnFirstLaunch() {
    m_store.registerLoginItemOnFirstLaunch();
}

void ToviApplication::startBootstrap() {
    m_store.startBootstrap();
}

void ToviApplication::startStore() {
    m_store.start();
}

void ToviApplication::terminate() {
    QCoreApplication::exit(0);
}

void ToviApplication::createShell() {
    m_appearance = new Appearance(this);
    m_iconRenderer = new TrayIconRenderer(&m_store, this);
    m_menu = new MenuViewModel(&m_store, m_updater, {}, this);
    auto* notices =
        new StatusNotices(&m_store, createDesktopNotifications(this), std::chrono::minutes(1), this);
    connect(notices, &StatusNotices::openWindowRequested, this, &ToviApplication::showWindow);
    connect(m_menu, &MenuViewModel::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    connect(m_appearance, &Appearance::changed, this, &ToviApplication::applyAppearance);
    applyAppearance();

    m_trayHosts = new TrayHostWatcher(QDBusConnection::sessionBus(), this);
    // A panel restarted: its new watcher must hear of the icon again (Qt asks once, at once,
    // and a watcher that is not serving yet forgets it).
    connect(m_trayHosts, &TrayHostWatcher::registrationLost, this, [this] {
        if (m_tray && m_tray->isVisible()) {
            m_tray->hide();
            m_tray->show();
        }
    });
    connect(m_trayHosts, &TrayHostWatcher::settled, this, &ToviApplication::placeShell);
    m_trayHosts->start();
}

void ToviApplication::placeShell() {
    if (m_window)
        return;
    const bool hasTray = m_trayHosts->hostPresent();
    // The symbol font is the window's alone (the tray icon is drawn without it): decoding it
    // at start-up would only hold memory in an application that may never be opened.
    m_window = new MenuWindow(hasTray ? MenuWindow::Mode::dropDown : MenuWindow::Mode::normal, m_menu,
                              [] { Symbols::registerFont(); });

    if (hasTray) {
        createTrayIcon();
        return;
    }
    // Nowhere to hang an icon yet (GNOME without an indicator extension, or a panel that
    // starts after Tovi at login): be a plain window that stays reachable through a second
    // launch, and put the icon in as soon as a tray turns up.
    connect(m_trayHosts, &TrayHostWatcher::hostAppeared, this, [this] {
        createTrayIcon();
        m_window->setMode(MenuWindow::Mode::dropDown);
    });
    m_trayHosts->watch();
    showWindow();
}

void ToviApplication::createTrayIcon() {
    // Created only once a host exists: Qt picks the kind of tray (bus or XEmbed) when the
    // first icon is made, for the rest of the process.
    if (m_tray)
        return;
    m_trayMenu = trayMenu();
    connect(m_trayMenu->actions().constFirst(), &QAction::triggered, this, &ToviApplication::showWindow);
    connect(m_trayMenu->actions().constLast(), &QAction::triggered, qApp, &QCoreApplication::quit);

    m_tray = new QSystemTrayIcon(m_iconRenderer->icon(), this);
    m_tray->setToolTip(QStringLiteral("Tovi"));
    m_tray->setContextMenu(m_trayMenu);
    connect(m_iconRenderer, &TrayIconRenderer::iconChanged, m_tray, &QSystemTrayIcon::setIcon);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick) {
            trace::milestone("click");
            m_window->toggle(m_tray->geometry());
        }
    });
    m_tray->show();
    m_trayHosts->followRegistration();
    trace::milestone("tray-shown");
}

QMenu* ToviApplication::trayMenu() {
    auto* menu = new QMenu();
    menu->addAction(tr("Open Tovi"));
    menu->addSeparator();
    menu->addAction(tr("Quit Tovi"));
    return menu;
}

void ToviApplication::showWindow() {
    if (!m_window)
        return;
    m_window->show(m_tray ? m_tray->geometry() : QRect());
}

void ToviApplication::applyAppearance() {
    const bool dark = m_appearance->isDark();
    // The platform's palette is what Qt had before Tovi put one of its own in.
    if (!m_paletteReplaced)
        m_platformPalette = QGuiApplication::palette();
    // The portal may say "dark" while the platform's palette is light (or the other way round);
    // the window follows the desktop's choice, and goes back to the platform's own palette as
    // soon as that matches again.
    // On Plasma the desktop's palette is the one kdeglobals holds now, not what Qt read at start.
    const std::optional<QPalette> desktop = m_appearance->desktopPalette();
    QPalette palette = desktop.value_or(m_platformPalette);
    const bool mismatched = Appearance::paletteIsDark(palette) != dark;
    m_paletteReplaced = desktop || mismatched;
    if (mismatched)
        palette =
            dark
                ? darkPalette()
                : std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")))->standardPalette();
    if (palette != QGuiApplication::palette())
        QApplication::setPalette(palette);
    m_menu->colors()->setPalette(palette);

    const QColor text = palette.color(QPalette::WindowText);
    QColor secondary = text;
    secondary.setAlphaF(dark ? 0.55f : 0.6f);
    m_menu->setDark(dark);
    m_menu->colors()->setPrimary(text);
    m_menu->colors()->setSecondary(secondary);
    m_iconRenderer->setDark(dark);
    trace::milestone(dark ? "appearance dark" : "appearance light");
}

} // namespace tovi
