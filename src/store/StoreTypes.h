#pragma once

#include <QMetaType>
#include <QString>

namespace tovi {

struct BootstrapState {
    enum class Kind { idle, installing, failed };
    Kind kind = Kind::idle;
    QString message; // failed: the error's user-facing description

    static BootstrapState idle() { return {}; }
    static BootstrapState installing() { return {Kind::installing, {}}; }
    static BootstrapState failed(const QString& message) { return {Kind::failed, message}; }
    friend bool operator==(const BootstrapState&, const BootstrapState&) = default;
};

struct SignInPhase {
    enum class Kind { idle, awaitingApproval };
    Kind kind = Kind::idle;
    QString url; // awaitingApproval: the approval page as the CLI returned it

    static SignInPhase idle() { return {}; }
    static SignInPhase awaitingApproval(const QString& url) { return {Kind::awaitingApproval, url}; }
    friend bool operator==(const SignInPhase&, const SignInPhase&) = default;
};

} // namespace tovi

Q_DECLARE_METATYPE(tovi::BootstrapState)
Q_DECLARE_METATYPE(tovi::SignInPhase)
