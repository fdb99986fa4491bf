#include "ui/FooterViewModel.h"

#include "model/DisplayRules.h"
#include "store/StatusStore.h"
#include "ui/ColorScheme.h"
#include "ui/ErrorBanner.h"
#include "ui/PartialStatusWarning.h"
#include "ui/ShownText.h"
#include "ui/StatusTexts.h"
#include "ui/Symbols.h"
#include "ui/UiTasks.h"

namespace tovi {

FooterViewModel::FooterViewModel(StatusStore* store, ColorScheme* colors, NowFunction now, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_colors(colors)
    , m_now(now ? std::move(now) : NowFunction([] { return QDateTime::currentDateTimeUtc(); })) {
    const auto recompute = [this] { m_gate.request(); };
    connect(m_store, &StatusStore::statusChanged, this, recompute);
    connect(m_store, &StatusStore::lastErrorChanged, this, recompute);
    connect(m_store, &StatusStore::lastUpdatedChanged, this, recompute);
    connect(m_store, &StatusStore::daemonStateChanged, this, recompute);
    connect(m_store, &StatusStore::isMaintainingChanged, this, recompute);
    connect(m_store, &StatusStore::maintenanceMessageChanged, this, recompute);
    connect(m_store, &StatusStore::bootstrapStateChanged, this, recompute);
    connect(m_store, &StatusStore::historySyncErrorChanged, this, recompute);
    connect(m_colors, &ColorScheme::changed, this, recompute);
    update();
}

QString FooterViewModel::upgradeGlyph() const {
    return Symbols::glyph(QStringLiteral("arrow.up.circle"));
}

void FooterViewModel::retryBootstrap() {
    m_store->startBootstrap();
}

void FooterViewModel::start() {
    startDetached(m_store->restartService());
}

void FooterViewModel::refresh() {
    startDetached(m_store->refresh());
}

void FooterViewModel::upgrade() {
    // The button is disabled meanwhile; a stale click from the view must not slip through.
    if (m_store->isMaintaining())
        return;
    startDetached(m_store->updateCLI());
}

void FooterViewModel::openNodes() {
    if (const std::optional<QUrl> url = m_store->teamURL({QStringLiteral("nodes")}))
        m_store->openAddress(*url);
}

void FooterViewModel::openNotifications() {
    if (const std::optional<QUrl> url = m_store->teamURL({QStringLiteral("notifications")}))
        m_store->openAddress(*url);
}

void FooterViewModel::update() {
    const std::optional<InternalStatus>& status = m_store->status();
    State s;

    const BootstrapState& bootstrap = m_store->bootstrapState();
    s.bootstrapInstalling = bootstrap.kind == BootstrapState::Kind::installing;
    if (bootstrap.kind == BootstrapState::Kind::failed)
        s.banners.append(ErrorBanner{shownMessage(bootstrap.message), true}.toVariant());
    // A CLI the start-up task could not find is also what every refresh reports: one
    // banner, the one with Retry.
    const bool repeatsBootstrap =
        bootstrap.kind == BootstrapState::Kind::failed && m_store->lastError() == bootstrap.message;
    if (m_store->lastError() && !repeatsBootstrap)
        s.banners.append(ErrorBanner{shownMessage(*m_store->lastError()), false}.toVariant());
    if (m_store->historySyncError())
        s.banners.append(ErrorBanner{shownMessage(*m_store->historySyncError()), false}.toVariant());

    s.showMaintenanceMessage = m_store->maintenanceMessage().has_value();
    s.maintenanceMessage = shownMessage(m_store->maintenanceMessage().value_or(QString()));

    s.showPartialWarning = status && status->partial.value_or(false);
    if (s.showPartialWarning)
        s.partialTooltip = shownMessage(partialSummary(status->errors.value_or(QList<StatusSectionError>())));

    const ServiceStateText service = serviceStateText(m_store->daemonState());
    s.serviceText = service.text;
    s.serviceTooltip = service.tooltip;
    s.serviceDotColor = m_colors->resolve(service.dot);

    s.showCliVersion = status && status->cli && status->cli->currentVersion;
    if (s.showCliVersion)
        s.cliVersion = shownLine(*status->cli->currentVersion);

    if (status && status->spaces) {
        if (const std::optional<NodeCounts> counts = nodeCounts(status->spaces->nodes)) {
            const NodeCountText text = tovi::nodeCountText(counts->online, counts->total);
            s.showNodeCount = true;
            s.nodeCountText = text.text;
            s.nodeCountColor = m_colors->resolveText(text.color);
            s.nodeCountTooltip = text.tooltip;
        }
    }

    s.showNotifications = status && !isSignedOut(status);
    if (s.showNotifications) {
        const UnreadText unread = unreadText(unreadCount(status));
        s.notificationsGlyph = Symbols::glyph(unread.symbol);
        s.notificationsCountText = unread.countText;
        s.notificationsColor = m_colors->resolve(unread.color);
        s.notificationsTextColor = m_colors->resolveText(unread.color);
        s.notificationsTooltip = unread.tooltip;
    }

    s.showSpinner = m_store->isMaintaining();
    s.showStart = !s.showSpinner && !m_store->daemonState().running;
    s.refreshTooltip = refreshAge(m_store->lastUpdated(), m_now());

    const UpgradeControlText upgrade = upgradeControlText(status);
    s.upgradeUpdateForm = upgrade.updateForm;
    s.upgradeTooltip = upgrade.tooltip;
    s.upgradeEnabled = !m_store->isMaintaining();
    s.upgradeTint = m_colors->resolve(ColorRole::accent);

    if (s == m_s)
        return;
    m_s = std::move(s);
    Q_EMIT changed();
}

} // namespace tovi
