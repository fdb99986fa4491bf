#include "app/AccountMenu.h"

#include "app/AddAccountPrompt.h"

#include "ui/MenuViewModel.h"
#include "ui/Symbols.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOption>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <utility>

namespace tovi {

namespace {

// A symbol of the window's icon font as a menu icon, in the menu's text colour.
QIcon symbolIcon(const QString& glyph, const QColor& color) {
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pixmap(QSize(16, 16) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font(Symbols::fontFamily());
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

// Fusion draws the box of a switch in a dark menu dark on dark, so the unticked switches
// look like plain items. Its edge is drawn again halfway between the text and the menu's
// background, which stands out (about 4:1) in light and dark alike.
class MenuSwitchStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element != PE_IndicatorCheckBox || !qobject_cast<const QMenu*>(widget))
            return;
        const QColor text = option->palette.color(QPalette::Text);
        const QColor back = option->palette.color(QPalette::Base);
        const QColor edge((text.red() + back.red()) / 2, (text.green() + back.green()) / 2,
                          (text.blue() + back.blue()) / 2);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(edge);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

} // namespace

AccountMenu::AccountMenu(MenuViewModel* menu, QObject* parent)
    : QObject(parent)
    , m_model(menu)
    , m_menu(new QMenu()) {
    m_menu->setToolTipsVisible(true);
    auto* style = new MenuSwitchStyle;
    style->setParent(m_menu);
    m_menu->setStyle(style);
    // Sections carry the headings; a divider before a heading stays a divider.
    m_menu->setSeparatorsCollapsible(false);
    connect(m_model->accountMenu(), &AccountMenuViewModel::changed, this, &AccountMenu::scheduleRebuild);
    connect(m_model->settings(), &SettingsViewModel::changed, this, &AccountMenu::scheduleRebuild);
    rebuild();
}

AccountMenu::~AccountMenu() {
    delete m_prompt.data();
    delete m_menu;
}

AddAccountPrompt* AccountMenu::prompt() const {
    return m_prompt;
}

bool AccountMenu::isOpen() const {
    return m_menu->isVisible() || (m_prompt && m_prompt->isVisible());
}

QString AccountMenu::escaped(const QString& text) {
    QString result = text;
    // A tab would start the shortcut column.
    return result.replace(u'&', QLatin1String("&&")).replace(u'\t', u' ');
}

void AccountMenu::scheduleRebuild() {
    // A change can come from inside an action's own trigger (a switch that was just set);
    // the actions are replaced only once that has returned.
    if (m_rebuildScheduled)
        return;
    m_rebuildScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_rebuildScheduled = false;
            rebuild();
        },
        Qt::QueuedConnection);
}

void AccountMenu::rebuild() {
    AccountMenuViewModel* account = m_model->accountMenu();
    SettingsViewModel* settings = m_model->settings();

    m_menu->clear();
    if (m_removeMenu)
        m_removeMenu->deleteLater();

    // Headings are drawn as written (no accelerators), so they are not escaped. A menu is
    // never wider than the screen and cuts a longer heading off mid-letter: an ellipsis says so.
    m_menu->addSection(m_menu->fontMetrics().elidedText(account->identityTitle(), Qt::ElideRight,
                                                        m_menu->fontMetrics().averageCharWidth() * 48));
    for (const QVariant& entry : account->servicePages()) {
        const QVariantMap page = entry.toMap();
        const QString path = page.value(QStringLiteral("path")).toString();
        connect(m_menu->addAction(page.value(QStringLiteral("title")).toString()), &QAction::triggered,
                account, [account, path] { account->openServicePage(path); });
    }

    if (account->showAccounts()) {
        m_menu->addSection(tr("Accounts"));
        // Rows are plain entries, never checkable: a click would toggle the mark itself, and a
        // check box reads as a setting. The mark is the store's and moves when the switch is done.
        for (const QVariant& entry : account->accounts()) {
            const QVariantMap profile = entry.toMap();
            const QString name = profile.value(QStringLiteral("name")).toString();
            QAction* row = m_menu->addAction(escaped(profile.value(QStringLiteral("text")).toString()));
            if (const QString mark = profile.value(QStringLiteral("mark")).toString(); !mark.isEmpty())
                row->setIcon(symbolIcon(mark, m_menu->palette().color(QPalette::Text)));
            row->setEnabled(profile.value(QStringLiteral("enabled")).toBool());
            connect(row, &QAction::triggered, account, [account, name] { account->switchProfile(name); });
        }
        m_removeMenu = m_menu->addMenu(tr("Remove account"));
        m_removeMenu->setToolTipsVisible(true);
        for (const QString& name : account->removableAccounts())
            connect(m_removeMenu->addAction(escaped(name)), &QAction::triggered, account,
                    [account, name] { account->removeProfile(name); });
    }

    m_menu->addSeparator();
    if (account->showAddAccount())
        connect(m_menu->addAction(tr("Add account…")), &QAction::triggered, this, [this] {
            askForAccountName(m_menu->windowHandle() ? m_menu->windowHandle()->transientParent() : nullptr);
        });
    if (account->showSignOut())
        connect(m_menu->addAction(tr("Sign out")), &QAction::triggered, account,
                &AccountMenuViewModel::signOut);
    if (account->showSignIn())
        connect(m_menu->addAction(tr("Sign in")), &QAction::triggered, account,
                &AccountMenuViewModel::signIn);

    m_menu->addSeparator();
    m_menu->addSection(account->versionHeading());
    QAction* check = m_menu->addAction(tr("Check for Updates…"));
    check->setEnabled(settings->canCheckForUpdates());
    check->setToolTip(settings->checkForUpdatesTooltip());
    connect(check, &QAction::triggered, settings, &SettingsViewModel::checkForUpdates);

    // A switch shows the stored value: the view model decides, and a refused change shows as
    // it was when the menu is built again.
    auto addSwitch = [this](const QString& text, bool on, const QString& tooltip, auto set) {
        QAction* action = m_menu->addAction(text);
        action->setCheckable(true);
        action->setChecked(on);
        if (!tooltip.isEmpty())
            action->setToolTip(tooltip);
        connect(action, &QAction::triggered, this, set);
        return action;
    };
    addSwitch(tr("Automatic updates"), settings->automaticUpdates(), settings->automaticUpdatesTooltip(),
              [settings](bool on) { settings->setAutomaticUpdates(on); });
    addSwitch(tr("Open at Login"), settings->openAtLogin(), {},
              [settings](bool on) { settings->setOpenAtLogin(on); });
    if (settings->showMoveNote())
        m_menu->addAction(settings->moveNote())->setEnabled(false);
    addSwitch(settings->keepAwakeLabel(), settings->keepAwake(), {},
              [settings](bool on) { settings->setKeepAwake(on); });
    if (const QString note = settings->keepAwakeNote(); !note.isEmpty())
        m_menu->addAction(note)->setEnabled(false);
    addSwitch(tr("Sync agent history"), settings->syncAgentHistory(), settings->syncAgentHistoryTooltip(),
              [settings](bool on) { settings->setSyncAgentHistory(on); });
    if (settings->historySyncApplying()) {
        QAction* applying = m_menu->addAction(tr("Applying history setting…"));
        applying->setIcon(symbolIcon(settings->applyingGlyph(), m_menu->palette().color(QPalette::Text)));
        applying->setEnabled(false);
    }
    addSwitch(tr("Notifications"), settings->notifications(), settings->notificationsTooltip(),
              [settings](bool on) { settings->setNotifications(on); });

    m_menu->addSeparator();
    QAction* quit = m_menu->addAction(tr("Quit Tovi"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, m_model, &MenuViewModel::quit);

    if (m_menu->isVisible())
        m_menu->adjustSize();
}

void AccountMenu::popup(QPoint topRight, QWindow* parent) {
    if (m_rebuildScheduled) {
        m_rebuildScheduled = false;
        rebuild();
    }
    // Tied to the window it drops from, so that the window manager keeps them together.
    m_menu->winId();
    if (QWindow* handle = m_menu->windowHandle())
        handle->setTransientParent(parent);
    m_menu->ensurePolished();
    const QSize size = m_menu->sizeHint();
    // Hung from the button's corner; the platform moves it back onto the screen if needed.
    m_menu->popup(QPoint(topRight.x() - size.width(), topRight.y()));
}

void AccountMenu::askForAccountName(QWindow* over) {
    if (m_prompt) {
        m_prompt->raise();
        m_prompt->activateWindow();
        return;
    }
    auto* prompt = new AddAccountPrompt();
    m_prompt = prompt;
    prompt->setAttribute(Qt::WA_DeleteOnClose);
    prompt->setWindowModality(Qt::ApplicationModal);
    AccountMenuViewModel* account = m_model->accountMenu();
    connect(prompt, &AddAccountPrompt::nameChosen, account, &AccountMenuViewModel::addAccount);
    connect(prompt, &QDialog::finished, this, &AccountMenu::promptClosed);
    prompt->winId();
    if (over && prompt->windowHandle()) {
        prompt->windowHandle()->setTransientParent(over);
        prompt->adjustSize();
        QRect frame(QPoint(), prompt->sizeHint());
        frame.moveCenter(over->geometry().center());
        if (QScreen* screen = over->screen())
            frame.moveTop(std::max(frame.top(), screen->availableGeometry().top()));
        prompt->move(frame.topLeft());
    }
    prompt->open();
}

} // namespace tovi
