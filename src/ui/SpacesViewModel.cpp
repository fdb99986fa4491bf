#include "ui/SpacesViewModel.h"

#include "store/StatusStore.h"
#include "ui/SpacesListModel.h"
#include "ui/Symbols.h"

namespace tovi {

namespace {

QString formName(SpacesForm form) {
    switch (form) {
    case SpacesForm::loading:
        return QStringLiteral("loading");
    case SpacesForm::empty:
        return QStringLiteral("empty");
    case SpacesForm::search:
        return QStringLiteral("search");
    }
    return {};
}

QString unavailableReason(SpacesForm form, const std::optional<InternalStatus>& status) {
    switch (form) {
    case SpacesForm::loading:
        break;
    case SpacesForm::empty:
    case SpacesForm::search:
        return {};
    }
    // With nothing loaded the store's own error is the footer's banner already; the body keeps
    // its spinner, for the next poll may still bring the status.
    if (!status)
        return {};
    for (const StatusSectionError& error : status->errors.value_or(QList<StatusSectionError>())) {
        if (error.section == u"spaces")
            return error.message;
    }
    return {};
}

} // namespace

SpacesViewModel::SpacesViewModel(StatusStore* store, ColorScheme* colors, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_model(new SpacesListModel(colors, this)) {
    connect(m_store, &StatusStore::statusChanged, this, [this] { m_gate.request(); });
    reload();
}

void SpacesViewModel::setSearchText(const QString& text) {
    if (text == m_searchText)
        return;
    m_searchText = text;
    m_model->setSearchText(text);
    Q_EMIT searchTextChanged();
    recompute();
}

QString SpacesViewModel::searchGlyph() const {
    return Symbols::glyph(QStringLiteral("magnifyingglass"));
}

QString SpacesViewModel::clearGlyph() const {
    return Symbols::glyph(QStringLiteral("xmark.circle.fill"));
}

void SpacesViewModel::clearSearch() {
    setSearchText(QString());
}

void SpacesViewModel::open(int row) {
    const SpacesListModel::Row* entry = m_model->rowAt(row);
    if (!entry)
        return;
    const QStringList segments = entry->kind == SpacesListModel::Kind::node
                                     ? QStringList{QStringLiteral("nodes")}
                                     : QStringList{QStringLiteral("spaces"), entry->space->id};
    if (const std::optional<QUrl> url = m_store->teamURL(segments))
        m_store->openAddress(*url);
}

void SpacesViewModel::reload() {
    m_model->setStatus(m_store->status());
    recompute();
}

void SpacesViewModel::recompute() {
    const SpacesForm form = spacesForm(m_model->status());
    const QString name = formName(form);
    const QString unavailable = unavailableReason(form, m_model->status());
    const bool noMatches = form == SpacesForm::search && m_model->results().isEmpty();
    const double height = m_model->listHeight();
    if (name == m_form && unavailable == m_unavailableText && noMatches == m_showNoMatches &&
        height == m_listHeight)
        return;
    m_form = name;
    m_unavailableText = unavailable;
    m_showNoMatches = noMatches;
    m_listHeight = height;
    Q_EMIT changed();
}

} // namespace tovi
