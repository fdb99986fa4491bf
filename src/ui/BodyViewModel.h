#pragma once

#include "ui/RecomputeGate.h"
#include "ui/SpacesViewModel.h"

#include <QObject>
#include <QString>

#include <optional>

namespace tovi {

class ColorScheme;
class StatusStore;

// The window's body: the signed-out screen (welcome or awaiting approval) or the spaces
// screen.
class BodyViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool signedOut READ signedOut NOTIFY changed)
    Q_PROPERTY(bool awaitingApproval READ awaitingApproval NOTIFY changed)
    Q_PROPERTY(QString approvalUrl READ approvalUrl NOTIFY changed)
    Q_PROPERTY(bool showReopenLink READ showReopenLink NOTIFY changed)
    Q_PROPERTY(bool hasSignInError READ hasSignInError NOTIFY changed)
    Q_PROPERTY(QString signInError READ signInError NOTIFY changed)
    Q_PROPERTY(tovi::SpacesViewModel* spaces READ spaces CONSTANT)

public:
    BodyViewModel(StatusStore* store, ColorScheme* colors, QObject* parent = nullptr);

    bool signedOut() const { return m_signedOut; }
    bool awaitingApproval() const { return m_awaitingApproval; }
    QString approvalUrl() const { return m_approvalUrl; }
    bool showReopenLink() const { return m_showReopenLink; }
    bool hasSignInError() const { return m_signInError.has_value(); }
    QString signInError() const { return m_signInError.value_or(QString()); }
    SpacesViewModel* spaces() const { return m_spaces; }

    Q_INVOKABLE void signIn();
    Q_INVOKABLE void createAccount();
    Q_INVOKABLE void cancelSignIn();
    Q_INVOKABLE void reopenApprovalPage();

    // The window is open (see RecomputeGate); true until told otherwise.
    void setActive(bool active);

Q_SIGNALS:
    void changed();

private:
    void recompute();

    StatusStore* m_store;
    SpacesViewModel* m_spaces;
    bool m_signedOut = false;
    bool m_awaitingApproval = false;
    QString m_approvalUrl;
    bool m_showReopenLink = false;
    std::optional<QString> m_signInError;
    RecomputeGate m_gate{[this] { recompute(); }};
};

} // namespace tovi
