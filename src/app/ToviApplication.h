#pragma once

#include "app/AppDelegate.h"
#include "app/LaunchSteps.h"
#include "platform/InstanceLock.h"

#include <QObject>
#include <QPalette>
#include <QPointer>

class QMenu;
class QSystemTrayIcon;

namespace tovi {

class AppUpdater;
class Appearance;
class ApplicationActivation;
class MenuViewModel;
class MenuWindow;
class StatusStore;
class TrayHostWatcher;
class TrayIconRenderer;

// The application value: the shared store and the updater, created once;
// after launching, the tray icon and (on first open) the window.
class ToviApplication : public QObject, private LaunchSteps {
    Q_OBJECT
public:
    explicit ToviApplication(QObject* parent = nullptr);
    ~ToviApplication() override;

    StatusStore& store() const { return m_store; }
    AppDelegate& delegate() { return m_delegate; }

    // The platform's "launching has finished": runs the delegate and, in the copy that
    // keeps running, puts the application on screen.
    void applicationDidFinishLaunching();

    // Brings the window forward (tray menu, second launch, or no tray at all).
    void showWindow();
    // The tray icon's own menu: "Open Tovi", a divider, "Quit Tovi". It shows no shortcut: this
    // menu never has the keyboard, Ctrl+Q belongs to the window.
    static QMenu* trayMenu();

private:
    // LaunchSteps
    bool acquireInstanceLock() override;
    void activateRunningCopy() override;
    void registerActivationService() override;
    void registerLoginItemOnFirstLaunch() override;
    void startBootstrap() override;
    void startStore() override;
    void terminate() override;

    void createShell();
    // The window and the icon, once the tray hosts have answered.
    void placeShell();
    void createTrayIcon();
    void applyAppearance();

    StatusStore& m_store;
    AppUpdater* m_updater = nullptr;
    LaunchSteps& m_steps;
    AppDelegate m_delegate;
    InstanceLock m_lock;
    ApplicationActivation* m_activation = nullptr;
    Appearance* m_appearance = nullptr;
    TrayIconRenderer* m_iconRenderer = nullptr;
    MenuViewModel* m_menu = nullptr;
    MenuWindow* m_window = nullptr;
    TrayHostWatcher* m_trayHosts = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    QPalette m_platformPalette;
    bool m_paletteReplaced = false;
};

} // namespace tovi
