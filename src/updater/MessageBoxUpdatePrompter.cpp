#include "updater/MessageBoxUpdatePrompter.h"

#include <QLabel>
#include <QPushButton>

namespace tovi {

MessageBoxUpdatePrompter::~MessageBoxUpdatePrompter() {
    delete m_box;
}

void MessageBoxUpdatePrompter::show(const UpdateMessage& message) {
    if (m_box)
        m_box->close();

    auto* box = new QMessageBox();
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(message.kind == UpdateMessage::Kind::warning ? QMessageBox::Warning
                                                              : QMessageBox::Information);
    box->setWindowTitle(message.title);
    box->setText(message.text);
    box->setTextFormat(Qt::PlainText);

    // Feed texts are not ours: everything is escaped, and only the link is markup.
    QString detail = message.detail.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
    if (message.link.isValid()) {
        if (!detail.isEmpty())
            detail += QStringLiteral("<br><br>");
        detail += QStringLiteral("<a href=\"%1\">%2</a>")
                      .arg(QString::fromUtf8(message.link.toEncoded()).toHtmlEscaped(),
                           message.linkLabel.toHtmlEscaped());
    }
    // Wrapped in a paragraph so that an escaped "&lt;" is never taken for plain text.
    if (!detail.isEmpty()) {
        box->setInformativeText(QStringLiteral("<p>%1</p>").arg(detail));
        // The release-notes link must open in the browser whatever the style's defaults.
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
            label->setTextInteractionFlags(Qt::TextBrowserInteraction);
            label->setOpenExternalLinks(true);
        }
    }
    box->setTextInteractionFlags(Qt::TextBrowserInteraction);

    if (message.acceptAction.isEmpty()) {
        box->setStandardButtons(QMessageBox::Ok);
    } else {
        QPushButton* accept = box->addButton(message.acceptLabel, QMessageBox::AcceptRole);
        QPushButton* reject = box->addButton(message.rejectLabel, QMessageBox::RejectRole);
        box->setDefaultButton(accept);
        box->setEscapeButton(reject);
        const QString action = message.acceptAction;
        QPointer<QPushButton> acceptButton(accept);
        connect(box, &QMessageBox::buttonClicked, this,
                [this, action, acceptButton](QAbstractButton* clicked) {
                    if (clicked && clicked == acceptButton)
                        Q_EMIT accepted(action);
                });
    }
    m_box = box;
    box->open();
}

} // namespace tovi
