#include "window/ToviWindow.h"

#include "ui/MenuViewModel.h"
#include "window/Controls.h"
#include "window/Footer.h"
#include "window/Header.h"
#include "window/SignedOutScreen.h"
#include "window/SpacesScreen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace tovi::window {

namespace {

// A drop-down, and a window with its own title bar, have no frame of the window manager's:
// the edge a popup has, or on a light desktop they melt into whatever lies under them.
class Edge : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

} // namespace

WindowHandle* createWindow(MenuViewModel* menu, bool tracing, WindowEvents* events) {
    return new ToviWindow(menu, tracing, events);
}

ToviWindow::ToviWindow(MenuViewModel* menu, bool tracing, WindowEvents* events)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_menu(menu)
    , m_events(events)
    , m_tracing(tracing)
    , m_style(menu->colors(), menu->symbolFontFamily())
    , m_content(new QWidget(this))
    , m_tips(new ToolTips(this)) {
    m_content->setObjectName(QStringLiteral("window"));
    setAccessibleRole(m_content, QAccessible::Pane);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    // The application gives the window its size; the layout only reports the content's.
    top->setSizeConstraint(QLayout::SetNoConstraint);
    top->addWidget(m_content);

    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_titleBar = new TitleBar(m_style, menu, m_tips, m_content);
    m_titleBar->setVisible(false);
    m_titleBar->setFixedHeight(30);
    column->addWidget(m_titleBar);
    m_header = new Header(m_style, menu, m_tips, m_content);
    column->addWidget(m_header);
    column->addWidget(new Divider(m_style, Qt::Horizontal, m_content));
    m_signedOut = new SignedOutScreen(m_style, menu, m_tips, m_content);
    column->addWidget(m_signedOut);
    m_spaces = new SpacesScreen(m_style, menu, m_tips, m_content);
    column->addWidget(m_spaces, 1);
    column->addWidget(new Divider(m_style, Qt::Horizontal, m_content));
    m_footer = new Footer(m_style, menu, m_tips, m_content);
    column->addWidget(m_footer);

    m_edge = new Edge(this);
    m_edge->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_edge->setVisible(false);

    connect(m_titleBar, &TitleBar::closeRequested, this, &QWidget::close);
    connect(m_header, &Header::accountMenuRequested, this, [this](QPoint corner) { m_events->accountMenuRequested(corner); });
    connect(m_tips, &ToolTips::shown, this, [this](const QString& text) { m_events->toolTipShown(text); });
    connect(m_footer, &Footer::partsChanged, this, &ToviWindow::orderTabStops);
    connect(m_spaces->list(), &SpacesList::keyboardRowChanged, this,
            [this] { m_events->focusMoved(focusName(m_spaces->list())); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now->window() == this)
            m_events->focusMoved(focusName(now));
    });
    connect(menu->body(), &BodyViewModel::changed, this, &ToviWindow::showBody);
    connect(menu->header(), &HeaderViewModel::changed, this, [this] {
        setWindowTitle(m_menu->header()->windowTitle());
        m_content->setAccessibleName(windowTitle());
    });
    connect(menu->colors(), &ColorScheme::changed, this, &ToviWindow::applyColors);

    // On Linux the platform's quit key is Ctrl+Q: one shortcut, or Qt sees two for the same key
    // and fires neither.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, menu, &MenuViewModel::quit);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_accountMenuOpen)
            m_events->accountMenuDismissed();
        else
            close();
    });

    setWindowTitle(menu->header()->windowTitle());
    m_content->setAccessibleName(windowTitle());
    m_style.applyTo(this);
    applyColors();
    showBody();
    resize(Style::windowWidth, contentHeight());
    // The platform window, for the application to place and watch before the first show.
    create();
}

ToviWindow::~ToviWindow() = default;

QWindow* ToviWindow::window() {
    return windowHandle();
}

void ToviWindow::setWindowFlags(Qt::WindowFlags flags) {
    // On the platform window as it is: the widget's own setter would make a new one.
    overrideWindowFlags(flags);
    if (QWindow* handle = windowHandle())
        handle->setFlags(flags);
}

int ToviWindow::contentHeight() const {
    QLayout* top = layout();
    return top->hasHeightForWidth() ? top->totalHeightForWidth(Style::windowWidth) : top->totalSizeHint().height();
}

void ToviWindow::setDropDown(bool dropDown) {
    m_dropDown = dropDown;
    m_edge->setVisible(m_dropDown || m_ownTitleBar);
}

void ToviWindow::setOwnTitleBar(bool ownTitleBar) {
    m_ownTitleBar = ownTitleBar;
    m_titleBar->setVisible(ownTitleBar);
    m_edge->setVisible(m_dropDown || m_ownTitleBar);
    // Part of the content height the window is sized to, at once.
    QCoreApplication::sendPostedEvents(this, QEvent::LayoutRequest);
    if (contentHeight() != m_reportedHeight) {
        m_reportedHeight = contentHeight();
        m_events->contentHeightChanged();
    }
}

void ToviWindow::setAccountMenuOpen(bool open) {
    m_accountMenuOpen = open;
    m_header->setAccountMenuOpen(open);
    m_tips->hide();
}

void ToviWindow::forgetHover() {
    m_tips->hide();
    if (QWindow* handle = windowHandle()) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(handle, &leave);
    }
    update();
}

QStringList ToviWindow::textsOnScreen() {
    return m_tracing ? contrastWalk(*this) : QStringList();
}

// The one palette in force, set on the window so that every control inherits it, and the
// colours of the scheme, which each part takes anew.
void ToviWindow::applyColors() {
    setPalette(m_menu->colors()->palette());
    m_header->refresh();
    m_titleBar->refresh();
    m_signedOut->refresh();
    m_spaces->refresh();
    m_footer->refresh();
    update();
}

void ToviWindow::showBody() {
    const bool signedOut = m_menu->body()->signedOut();
    m_signedOut->setVisible(signedOut);
    m_spaces->setVisible(!signedOut);
    orderTabStops();
}

// Header, body, footer: the order they are on screen, whatever order they were made in.
void ToviWindow::orderTabStops() {
    QList<QWidget*> stops{m_titleBar->findChild<QWidget*>(QStringLiteral("closeWindow")),
                          m_header->findChild<QWidget*>(QStringLiteral("mark")),
                          m_header->findChild<QWidget*>(QStringLiteral("title")), m_header->menuButton()};
    stops << m_signedOut->tabStops() << m_spaces->searchField() << m_spaces->list() << m_footer->tabStops();
    QWidget* previous = m_content;
    for (QWidget* stop : stops) {
        QWidget::setTabOrder(previous, stop);
        previous = stop;
    }
}

QString ToviWindow::focusName(QWidget* widget) const {
    // The list hands its keyboard focus to its current row, as assistive technology reads it.
    if (widget == m_spaces->list() && m_spaces->list()->current() >= 0)
        return QStringLiteral("spacesRow");
    const QString name = widget->objectName();
    return name.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : name;
}

bool ToviWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest) {
        const int height = contentHeight();
        if (height != m_reportedHeight) {
            m_reportedHeight = height;
            m_events->contentHeightChanged();
        }
    }
    return handled;
}

// A control that goes while it has the keyboard (a screen replaced by another) hands it back
// to the window, not on to the next control: the keyboard moves only where the user moves it.
bool ToviWindow::focusNextPrevChild(bool next) {
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus != m_content && !focus->isVisible() && focus->window() == this) {
        m_content->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

// Whatever has the keyboard (nothing yet, a header link, a footer button), typing goes to the
// search field while the list is on screen: keys a control does not take come up to here.
void ToviWindow::keyPressEvent(QKeyEvent* event) {
    QWidget* focus = QApplication::focusWidget();
    if (m_spaces->isVisible() && m_spaces->takeTyping(event, !focus || focus == m_content)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ToviWindow::paintEvent(QPaintEvent*) {
    // The children paint after their parent: the frame is whole once this pass is over.
    if (m_framePending)
        return;
    m_framePending = true;
    QTimer::singleShot(0, this, [this] {
        m_framePending = false;
        m_events->frameSwapped();
    });
}

void ToviWindow::resizeEvent(QResizeEvent* event) {
    m_edge->setGeometry(rect());
    m_edge->raise();
    QWidget::resizeEvent(event);
}

// Each opening starts afresh: the keyboard at the top of the window (the first Tab reaches the
// header), no row picked, so Return opens only what the user chose in this opening.
void ToviWindow::showEvent(QShowEvent* event) {
    if (!m_remapping) {
        m_spaces->resetSelection();
        m_content->setFocus(Qt::OtherFocusReason);
    }
    QWidget::showEvent(event);
}

void ToviWindow::hideEvent(QHideEvent* event) {
    m_tips->hide();
    QWidget::hideEvent(event);
}

} // namespace tovi::window
