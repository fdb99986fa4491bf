#include "ui/StatusNotices.h"

#include "model/DisplayRules.h"
#include "platform/DesktopNotifications.h"
#include "store/StatusStore.h"
#include "ui/ShownText.h"
#include "ui/StatusTexts.h"
#include "ui/UiTasks.h"

namespace tovi {
namespace {

const QString attentionPrefix = QStringLiteral("attention:");

} // namespace

StatusNotices::StatusNotices(StatusStore* store, DesktopNotifications* out,
                             std::chrono::milliseconds failingFor, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_out(out) {
    m_failing.setSingleShot(true);
    m_failing.setInterval(failingFor);
    connect(&m_failing, &QTimer::timeout, this, &StatusNotices::cliFailedLongEnough);
    for (auto signal :
         {&StatusStore::statusChanged, &StatusStore::lastErrorChanged, &StatusStore::daemonStateChanged})
        connect(m_store, signal, this, &StatusNotices::observe);
    connect(m_out, &DesktopNotifications::actionInvoked, this, &StatusNotices::act);
}

void StatusNotices::send(const QString& kind, const QString& summary, const QString& body,
                         QList<std::pair<QString, QString>> actions) {
    if (!m_store->notificationsEnabled())
        return;
    m_out->show({kind, shownLine(summary), shownMessage(body), std::move(actions)});
}

void StatusNotices::observe() {
    const std::optional<InternalStatus>& status = m_store->status();
    const bool failing = m_store->lastError().has_value();
    // Nothing is known before the first reading ends, well or not.
    if (!status && !failing)
        return;

    QSet<QString> attention;
    QList<std::pair<const Space*, const SpaceNode*>> newlyAttention;
    if (status && status->spaces && status->spaces->nodes) {
        for (const SpaceNode& node : *status->spaces->nodes) {
            if (!node.spaces)
                continue;
            for (const Space& space : *node.spaces) {
                if (state(space) != SpaceState::attention)
                    continue;
                attention.insert(space.id);
                if (!m_attention.contains(space.id))
                    newlyAttention.append({&space, &node});
            }
        }
    }
    // A failed reading keeps the last snapshot on screen; it says nothing new about spaces.
    const bool fresh = status && !failing;
    const bool signedIn = status && status->authenticated == true;
    const std::int64_t unread = unreadCount(status);
    const bool running = m_store->daemonState().running;

    if (m_baselined) {
        if (fresh && m_statusSeen) {
            for (const auto& [space, node] : std::as_const(newlyAttention)) {
                QList<std::pair<QString, QString>> actions;
                if (m_store->teamURL({QStringLiteral("spaces"), space->id}))
                    actions.append({QStringLiteral("open"), tr("Open")});
                send(attentionPrefix + space->id, tr("%1 needs attention").arg(space->name),
                     tr("%1 on %2").arg(statusLabel(*space).trimmed(), node->name), actions);
            }
            if (signedIn && !m_signedIn) {
                const QString who =
                    status->account
                        ? status->account->email.value_or(status->account->name.value_or(QString()))
                        : QString();
                send(QStringLiteral("signin"), tr("Signed in to Tovi"), who);
            }
            if (unread > m_unread)
                send(QStringLiteral("unread"), unreadText(unread).tooltip, QString());
        }
        // The user's own restart or upgrade stops the service on purpose.
        // "Running again" answers a "stopped" only: the service the first start installs is no news.
        if (running && !m_serviceRunning && m_serviceStopTold) {
            m_serviceStopTold = false;
            send(QStringLiteral("service"), tr("The Tovi service is running again"), QString());
        } else if (!running && m_serviceRunning && !m_store->isMaintaining()) {
            m_serviceStopTold = true;
            send(QStringLiteral("service"), tr("The Tovi service stopped"),
                 tr("This computer's spaces can't be reached until it runs again."),
                 {{QStringLiteral("start"), tr("Start")}});
        }
    }

    if (fresh) {
        m_cliWorked = true;
        m_failing.stop();
        if (m_cliFailureTold)
            send(QStringLiteral("cli"), tr("Tovi gets the status from the tovi CLI again"), QString());
        m_cliFailureTold = false;
    } else if (failing && m_cliWorked && !m_cliFailureTold && !m_failing.isActive()) {
        m_failing.start();
    }

    if (fresh) {
        m_statusSeen = true;
        m_attention = std::move(attention);
        m_signedIn = signedIn;
        m_unread = unread;
    }
    m_serviceRunning = running;
    m_baselined = true;
}

void StatusNotices::cliFailedLongEnough() {
    const std::optional<QString> error = m_store->lastError();
    if (!error)
        return;
    m_cliFailureTold = true;
    send(QStringLiteral("cli"), tr("Tovi can't get the status from the tovi CLI"), *error);
}

void StatusNotices::act(const QString& kind, const QString& action) {
    if (action == QLatin1String("default")) {
        Q_EMIT openWindowRequested();
    } else if (action == QLatin1String("open") && kind.startsWith(attentionPrefix)) {
        if (const std::optional<QUrl> url =
                m_store->teamURL({QStringLiteral("spaces"), kind.mid(attentionPrefix.size())}))
            m_store->openAddress(*url);
    } else if (action == QLatin1String("start") && kind == QLatin1String("service")) {
        startDetached(m_store->restartService());
    }
}

} // namespace tovi
