#pragma once

#include "updater/UpdatePrompter.h"

#include <QMessageBox>
#include <QPointer>

namespace tovi {

// Update dialogs as QMessageBoxes, opened window-modal with open() so that no nested
// event loop runs under a coroutine.
class MessageBoxUpdatePrompter : public UpdatePrompter {
    Q_OBJECT
public:
    using UpdatePrompter::UpdatePrompter;
    ~MessageBoxUpdatePrompter() override;

    void show(const UpdateMessage& message) override;

    // The dialog on screen, if any.
    QMessageBox* currentBox() const { return m_box; }

private:
    QPointer<QMessageBox> m_box;
};

} // namespace tovi
