#pragma once

#include "window/Controls.h"

#include <QWidget>

namespace tovi {
class MenuViewModel;
}

namespace tovi::window {

class ErrorBanner;
class Style;

// Shown while the browser approval of a sign-in is pending.
class AwaitingApprovalForm : public QWidget {
    Q_OBJECT
public:
    AwaitingApprovalForm(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent = nullptr);
    void refresh();
    LinkLabel* reopenLink() const { return m_reopen; }
    Button* cancelButton() const { return m_cancel; }

private:
    const Style& m_style;
    MenuViewModel* m_menu;
    PlainLabel* m_waiting;
    LinkLabel* m_reopen;
    Button* m_cancel;
};

// The body while signed out: the welcome form, or the approval wait once sign-in started.
class SignedOutScreen : public QWidget {
    Q_OBJECT
public:
    SignedOutScreen(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent = nullptr);
    void refresh();
    // The keyboard's stops, in order.
    QList<QWidget*> tabStops() const;

private:
    const Style& m_style;
    MenuViewModel* m_menu;
    QWidget* m_welcome;
    class MarkImage* m_mark;
    PlainLabel* m_title;
    PlainLabel* m_description;
    Button* m_signIn;
    Button* m_createAccount;
    ErrorBanner* m_error;
    AwaitingApprovalForm* m_awaiting;
};

} // namespace tovi::window
