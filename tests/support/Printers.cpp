#include "support/Printers.h"

#include <QDebug>
#include <gtest/gtest.h>

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

// Writes "{name=value, ...}", leaving out absent optionals.
class Fields {
public:
    explicit Fields(std::ostream* os)
        : m_os(os) {}
    ~Fields() { *m_os << (m_first ? "{}" : "}"); }
    template <typename T> Fields& operator()(const char* name, const T& value) {
        if constexpr (requires { value.has_value(); }) {
            if (!value.has_value())
                return *this;
        }
        *m_os << (m_first ? "{" : ", ") << name << '=' << ::testing::PrintToString(value);
        m_first = false;
        return *this;
    }

private:
    std::ostream* m_os;
    bool m_first = true;
};

} // namespace

void PrintTo(const CLIInfo& r, std::ostream* os) {
    Fields{os}("currentVersion", r.currentVersion)("latestVersion", r.latestVersion)("updateAvailable",
                                                                                     r.updateAvailable);
}
void PrintTo(const Account& r, std::ostream* os) {
    Fields{os}("userId", r.userId)("email", r.email)("name", r.name)("team", r.team);
}
void PrintTo(const Space& r, std::ostream* os) {
    Fields{os}("id", r.id)("name", r.name)("icon", r.icon)("online", r.online)("stopped", r.stopped)(
        "status", r.status)("indicator", r.indicator)("indicatorLabel", r.indicatorLabel)(
        "activity", r.activity)("activityDetail", r.activityDetail)("heartbeat", r.heartbeat)("reported",
                                                                                              r.reported);
}
void PrintTo(const SpaceNode& r, std::ostream* os) {
    Fields{os}("id", r.id)("name", r.name)("online", r.online)("registered", r.registered)("spaces",
                                                                                           r.spaces);
}
void PrintTo(const SpacesSection& r, std::ostream* os) {
    Fields{os}("nodes", r.nodes);
}
void PrintTo(const Nodes& r, std::ostream* os) {
    Fields{os}("online", r.online)("total", r.total);
}
void PrintTo(const Credits& r, std::ostream* os) {
    Fields{os}("creditsMicros", r.creditsMicros)("updated", r.updated);
}
void PrintTo(const Usage& r, std::ostream* os) {
    Fields{os}("windowHours", r.windowHours)("costMicros", r.costMicros)("requestCount", r.requestCount);
}
void PrintTo(const ByteCount& r, std::ostream* os) {
    Fields{os}("count", r.count)("totalBytes", r.totalBytes);
}
void PrintTo(const DriveSection& r, std::ostream* os) {
    Fields{os}("fileCount", r.fileCount)("totalBytes", r.totalBytes);
}
void PrintTo(const Notification& r, std::ostream* os) {
    Fields{os}("id", r.id)("created", r.created)("source", r.source)("level", r.level)("title", r.title);
}
void PrintTo(const Notifications& r, std::ostream* os) {
    Fields{os}("unread", r.unread)("notifications", r.notifications);
}
void PrintTo(const StatusSectionError& r, std::ostream* os) {
    Fields{os}("section", r.section)("message", r.message);
}
void PrintTo(const InternalStatus& r, std::ostream* os) {
    Fields{os}("cli", r.cli)("authenticated", r.authenticated)("account", r.account)("spaces", r.spaces)(
        "nodes", r.nodes)("credits", r.credits)("usage", r.usage)("sites", r.sites)("drive", r.drive)(
        "secrets", r.secrets)("notifications", r.notifications)("partial", r.partial)("errors", r.errors);
}
void PrintTo(const Profile& r, std::ostream* os) {
    Fields{os}("name", r.name)("active", r.active)("isDefault", r.isDefault)("email", r.email)("team",
                                                                                               r.team);
}
void PrintTo(const AccountMe& r, std::ostream* os) {
    Fields{os}("id", r.id)("email", r.email)("teamId", r.teamId)("teamName", r.teamName);
}
void PrintTo(const LoginClaim& r, std::ostream* os) {
    Fields{os}("status", r.status)("url", r.url)("token", r.token)("expiresIn", r.expiresIn)(
        "resume", r.resume)("note", r.note)("authenticated", r.authenticated);
}
void PrintTo(const ClaimUser& r, std::ostream* os) {
    Fields{os}("id", r.id)("email", r.email)("firstName", r.firstName)("lastName", r.lastName);
}
void PrintTo(const ClaimResult& r, std::ostream* os) {
    Fields{os}("status", r.status)("user", r.user);
}
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
