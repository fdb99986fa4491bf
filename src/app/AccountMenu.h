#pragma once

#include <QObject>
#include <QPointer>

class QMenu;
class QPoint;
class QWindow;

namespace tovi {

class AddAccountPrompt;
class MenuViewModel;

// The header's account menu as a native popup menu, and the add-account prompt as a dialog of
// its own: both are windows of their own, so they may reach past the 340-pixel window and the
// platform keeps them on screen. Built from the account and settings view models each time
// they change; menu texts never carry markup, and '&' in a name is shown, not taken as a
// keyboard accelerator.
class AccountMenu : public QObject {
    Q_OBJECT
public:
    explicit AccountMenu(MenuViewModel* menu, QObject* parent = nullptr);
    ~AccountMenu() override;

    QMenu* menu() const { return m_menu; }
    // The add-account prompt while it is open.
    AddAccountPrompt* prompt() const;
    // The menu or the prompt is open (the window must not take that focus loss for a close).
    bool isOpen() const;

    // Opens the menu with its top-right corner at `topRight` (global coordinates), over `parent`.
    void popup(QPoint topRight, QWindow* parent);
    void askForAccountName(QWindow* over);

    // '&' is an accelerator marker in menu texts and a tab starts the shortcut column; data
    // shows as written.
    static QString escaped(const QString& text);

Q_SIGNALS:
    void promptClosed();

private:
    void rebuild();
    void scheduleRebuild();

    MenuViewModel* m_model;
    QMenu* m_menu;
    QPointer<QMenu> m_removeMenu;
    QPointer<AddAccountPrompt> m_prompt;
    bool m_rebuildScheduled = false;
};

} // namespace tovi
