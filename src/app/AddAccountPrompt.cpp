#include "app/AddAccountPrompt.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tovi {

namespace {

// The width of the text column: the field's 220 points and the room a dialog's text needs to
// stay at two or three lines.
constexpr int kTextWidth = 280;

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFixedWidth(kTextWidth);
    return label;
}

} // namespace

AddAccountPrompt::AddAccountPrompt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_field(new QLineEdit(this))
    , m_continue(new QPushButton(tr("Continue"), this))
    , m_cancel(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle(tr("Add account"));

    QLabel* title = plainLabel(tr("Add account"), this);
    QFont headline = title->font();
    headline.setBold(true);
    headline.setPointSizeF(headline.pointSizeF() * 1.1);
    title->setFont(headline);
    QLabel* text = plainLabel(tr("Name this profile (e.g. work). You'll approve it in your browser."), this);

    m_field->setPlaceholderText(tr("work"));
    m_field->setFixedWidth(220);
    m_field->setMinimumHeight(24);
    m_continue->setDefault(true);
    m_continue->setAutoDefault(true);
    m_cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(8);
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_continue);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 16);
    column->setSpacing(8);
    column->addWidget(title);
    column->addWidget(text);
    column->addSpacing(4);
    column->addWidget(m_field);
    column->addSpacing(8);
    column->addLayout(buttons);
    // One size: the window manager sees a minimum equal to the maximum and offers no maximise.
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_continue, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::accepted, this, [this] { Q_EMIT nameChosen(m_field->text()); });
    m_field->setFocus();
}

} // namespace tovi
