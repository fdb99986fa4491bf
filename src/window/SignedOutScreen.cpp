#include "window/SignedOutScreen.h"

#include "ui/MenuViewModel.h"
#include "window/ErrorBanner.h"
#include "window/Header.h"
#include "window/Style.h"

#include <QPainter>
#include <QVBoxLayout>

namespace tovi::window {

class MarkImage : public QWidget {
public:
    explicit MarkImage(QWidget* parent)
        : QWidget(parent) {
        setFixedSize(48, 48);
    }
    void setSource(const QUrl& source) {
        m_source = source;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(rect(), markPixmap(m_source, width(), devicePixelRatioF()));
    }

private:
    QUrl m_source;
};

AwaitingApprovalForm::AwaitingApprovalForm(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_menu(menu)
    , m_waiting(new PlainLabel(this))
    , m_reopen(new LinkLabel(this))
    , m_cancel(new Button(tr("Cancel"), this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);
    column->addWidget(new Spinner(32, tr("Waiting for approval"), this), 0, Qt::AlignHCenter);
    m_waiting->setText(tr("Waiting for approval in your browser…"));
    m_waiting->setFont(style.font(style.calloutSize()));
    m_waiting->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_waiting->setWordWrap(true);
    column->addWidget(m_waiting);
    m_reopen->setLinkText(tr("Reopen approval page"));
    QFont underlined = style.font(style.captionSize());
    underlined.setUnderline(true);
    m_reopen->setFont(underlined);
    column->addWidget(m_reopen, 0, Qt::AlignHCenter);
    m_cancel->setFont(style.font(style.captionSize()));
    column->addWidget(m_cancel, 0, Qt::AlignHCenter);
    BodyViewModel* body = menu->body();
    connect(m_reopen, &LinkLabel::activated, body, &BodyViewModel::reopenApprovalPage);
    connect(m_cancel, &QAbstractButton::clicked, body, &BodyViewModel::cancelSignIn);
    tips->attach(m_reopen, [this](QPoint at) { return ToolTips::Tip{m_reopen->toolTipAt(at), m_reopen->paintedRect()}; });
    refresh();
}

void AwaitingApprovalForm::refresh() {
    BodyViewModel* body = m_menu->body();
    m_waiting->setColor(m_style.secondary());
    m_reopen->setColor(m_style.colors()->accent());
    m_reopen->linkToolTip = body->approvalUrl();
    m_reopen->setVisible(body->showReopenLink());
}

SignedOutScreen::SignedOutScreen(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_menu(menu)
    , m_welcome(new QWidget(this))
    , m_mark(new MarkImage(m_welcome))
    , m_title(new PlainLabel(m_welcome))
    , m_description(new PlainLabel(m_welcome))
    , m_signIn(new Button(tr("Sign in"), m_welcome))
    , m_createAccount(new Button(tr("Create account"), m_welcome))
    , m_error(new ErrorBanner(style, menu->glyph(QStringLiteral("exclamationmark.triangle.fill")), this))
    , m_awaiting(new AwaitingApprovalForm(style, menu, tips, this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);

    // The welcome form: the mark, the greeting and the two ways in.
    auto* welcome = new QVBoxLayout(m_welcome);
    welcome->setContentsMargins(0, 0, 0, 0);
    welcome->setSpacing(16);
    welcome->addWidget(m_mark, 0, Qt::AlignHCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    m_title->setText(tr("Welcome to Tovi"));
    m_title->setFont(style.font(style.headlineSize(), QFont::DemiBold));
    m_title->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    texts->addWidget(m_title);
    m_description->setText(tr("Sign in or create an account to manage your spaces, account, and local service."));
    m_description->setFont(style.font(style.captionSize()));
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    texts->addWidget(m_description);
    welcome->addLayout(texts);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(8);
    m_signIn->setObjectName(QStringLiteral("signIn"));
    // The one prominent action of the screen.
    m_signIn->setFont(style.font(style.bodySize(), QFont::DemiBold));
    m_signIn->setPadding(8, 8, 8, 8);
    m_signIn->setTextColor(Qt::white);
    m_signIn->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    buttons->addWidget(m_signIn);
    m_createAccount->setObjectName(QStringLiteral("createAccount"));
    m_createAccount->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    buttons->addWidget(m_createAccount);
    welcome->addLayout(buttons);
    column->addWidget(m_welcome);
    column->addWidget(m_error);
    column->addWidget(m_awaiting);

    BodyViewModel* body = menu->body();
    connect(m_signIn, &QAbstractButton::clicked, body, &BodyViewModel::signIn);
    connect(m_createAccount, &QAbstractButton::clicked, body, &BodyViewModel::createAccount);
    connect(body, &BodyViewModel::changed, this, &SignedOutScreen::refresh);
    connect(menu->header(), &HeaderViewModel::changed, this, &SignedOutScreen::refresh);
    refresh();
}

void SignedOutScreen::refresh() {
    BodyViewModel* body = m_menu->body();
    const bool awaiting = body->awaitingApproval();
    m_welcome->setVisible(!awaiting);
    m_mark->setSource(m_menu->header()->markSource());
    m_title->setColor(m_style.primary());
    m_description->setColor(m_style.secondary());
    m_signIn->setFace(m_style.colors()->accentFill());
    m_error->setVisible(!awaiting && body->hasSignInError());
    m_error->setMessage(body->signInError());
    m_error->refresh();
    m_awaiting->setVisible(awaiting);
    m_awaiting->refresh();
}

QList<QWidget*> SignedOutScreen::tabStops() const {
    return {m_signIn, m_createAccount, m_error->retryButton(), m_awaiting->reopenLink(), m_awaiting->cancelButton()};
}

} // namespace tovi::window
