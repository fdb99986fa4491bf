#include "support/Printers.h"

#include <QDebug>
#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

namespace {

// Qt's own debug text for types whose fields it already names, e.g. QRect(0,0 10x10).
template <typename T> void printDebug(const T& value, std::ostream* os) {
    QString text;
    QDebug(&text).nospace().noquote() << value;
    *os << text.toStdString();
}

} // namespace

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
void PrintTo(const QUrl& url, std::ostream* os) {
    *os << "QUrl(\"" << url.toString(QUrl::FullyEncoded).toStdString() << "\")";
}
void PrintTo(const QColor& color, std::ostream* os) {
    *os << (color.isValid() ? color.name(QColor::HexArgb).toStdString() : std::string("(no colour)"));
}
void PrintTo(const QPoint& point, std::ostream* os) {
    printDebug(point, os);
}
void PrintTo(const QRect& rect, std::ostream* os) {
    printDebug(rect, os);
}
void PrintTo(const QDateTime& time, std::ostream* os) {
    *os << (time.isValid() ? time.toString(Qt::ISODateWithMs).toStdString() : std::string("(no time)"));
}
void PrintTo(const QVariant& value, std::ostream* os) {
    printDebug(value, os);
}

namespace tovi {
namespace {

// Writes "{name=value, ...}" from the names as written in the source, leaving out absent optionals.
template <typename... T> void printFields(std::ostream* os, std::string_view names, const T&... values) {
    const char* separator = "";
    *os << '{';
    (
        [&] {
            const std::string_view name = names.substr(0, names.find(','));
            names.remove_prefix(std::min(names.size(), name.size() + 2));
            if constexpr (requires { values.has_value(); })
                if (!values.has_value())
                    return;
            *os << separator << name << '=' << ::testing::PrintToString(values);
            separator = ", ";
        }(),
        ...);
    *os << '}';
}

} // namespace

// The binding must name every field, so a field added to a record cannot be left unprinted.
#define TOVI_TEST_PRINT_FIELDS(Type, ...)                                                                    \
    void PrintTo(const Type& value, std::ostream* os) {                                                      \
        const auto& [__VA_ARGS__] = value;                                                                   \
        printFields(os, #__VA_ARGS__, __VA_ARGS__);                                                          \
    }
TOVI_TEST_PRINT_FIELDS(CLIInfo, currentVersion, latestVersion, updateAvailable)
TOVI_TEST_PRINT_FIELDS(Account, userId, email, name, team)
TOVI_TEST_PRINT_FIELDS(Space, id, name, icon, online, stopped, status, indicator, indicatorLabel, activity,
                       activityDetail, heartbeat, reported)
TOVI_TEST_PRINT_FIELDS(SpaceNode, id, name, online, registered, spaces)
TOVI_TEST_PRINT_FIELDS(SpacesSection, nodes)
TOVI_TEST_PRINT_FIELDS(Nodes, online, total)
TOVI_TEST_PRINT_FIELDS(Credits, creditsMicros, updated)
TOVI_TEST_PRINT_FIELDS(Usage, windowHours, costMicros, requestCount)
TOVI_TEST_PRINT_FIELDS(ByteCount, count, totalBytes)
TOVI_TEST_PRINT_FIELDS(DriveSection, fileCount, totalBytes)
TOVI_TEST_PRINT_FIELDS(Notification, id, created, source, level, title)
TOVI_TEST_PRINT_FIELDS(Notifications, unread, notifications)
TOVI_TEST_PRINT_FIELDS(StatusSectionError, section, message)
TOVI_TEST_PRINT_FIELDS(InternalStatus, cli, authenticated, account, spaces, nodes, credits, usage, sites,
                       drive, secrets, notifications, partial, errors)
TOVI_TEST_PRINT_FIELDS(Profile, name, active, isDefault, email, team)
TOVI_TEST_PRINT_FIELDS(AccountMe, id, email, teamId, teamName)
TOVI_TEST_PRINT_FIELDS(LoginClaim, status, url, token, expiresIn, resume, note, authenticated)
TOVI_TEST_PRINT_FIELDS(ClaimUser, id, email, firstName, lastName)
TOVI_TEST_PRINT_FIELDS(ClaimResult, status, user)
#undef TOVI_TEST_PRINT_FIELDS

void PrintTo(const SignInPhase& phase, std::ostream* os) {
    *os << (phase.kind == SignInPhase::Kind::idle ? "idle" : "awaitingApproval");
    if (!phase.url.isEmpty())
        *os << '(' << ::testing::PrintToString(phase.url) << ')';
}
void PrintTo(const BootstrapState& state, std::ostream* os) {
    using Kind = BootstrapState::Kind;
    *os << (state.kind == Kind::idle ? "idle" : state.kind == Kind::installing ? "installing" : "failed");
    if (!state.message.isEmpty())
        *os << '(' << ::testing::PrintToString(state.message) << ')';
}

} // namespace tovi
