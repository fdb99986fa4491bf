#include "ui/HeaderViewModel.h"

#include "store/StatusStore.h"
#include "ui/ColorScheme.h"
#include "ui/ShownText.h"
#include "ui/StatusTexts.h"
#include "ui/Symbols.h"

namespace tovi {

HeaderViewModel::HeaderViewModel(StatusStore* store, ColorScheme* colors, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_colors(colors) {
    connect(m_store, &StatusStore::statusChanged, this, [this] { m_gate.request(); });
    connect(m_colors, &ColorScheme::changed, this, &HeaderViewModel::changed);
    recompute();
}

QUrl HeaderViewModel::markSource() const {
    return m_colors->markSource();
}

QString HeaderViewModel::usageTooltip() const {
    return tr("Usage");
}

QString HeaderViewModel::menuGlyph() const {
    return Symbols::glyph(QStringLiteral("ellipsis.circle"));
}

QString HeaderViewModel::closeGlyph() const {
    return Symbols::glyph(QStringLiteral("xmark"));
}

void HeaderViewModel::openUsage() {
    m_store->openAddress(m_store->serviceURL(QStringLiteral("/usage")));
}

void HeaderViewModel::recompute() {
    const std::optional<InternalStatus>& status = m_store->status();
    QString title = QStringLiteral("Tovi");
    QString windowTitle = title;
    // An empty team name would leave the header blank; it reads like no team at all.
    if (status && status->account && status->account->team && !status->account->team->isEmpty()) {
        title = shownLine(*status->account->team);
        if (!title.trimmed().isEmpty())
            // The name and the team, no words: the same in every language (and what window
            // lists and scripts look for).
            windowTitle = QStringLiteral("Tovi \u2014 ") + title;
    }
    QString identity = tovi::identityTitle(status);
    if (title == m_title && identity == m_identityTitle)
        return;
    m_title = title;
    m_windowTitle = windowTitle;
    m_identityTitle = identity;
    Q_EMIT changed();
}

} // namespace tovi
