#include "ui/SpacesListModel.h"

#include "model/DisplayRules.h"
#include "ui/ColorScheme.h"
#include "ui/ShownText.h"
#include "ui/StatusTexts.h"
#include "ui/Symbols.h"

#include <utility>

namespace tovi {

SpacesListModel::SpacesListModel(ColorScheme* colors, QObject* parent)
    : QAbstractListModel(parent)
    , m_colors(colors) {
    connect(m_colors, &ColorScheme::changed, this, &SpacesListModel::coloursChanged);
}

int SpacesListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant SpacesListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = m_rows.at(index.row());
    const bool isNode = row.kind == Kind::node;

    switch (role) {
    case Qt::DisplayRole:
    case TitleRole:
        return shownLine(isNode ? row.node->name : row.space->name);
    case KindRole:
        return isNode ? QStringLiteral("node") : QStringLiteral("space");
    case DetailRole:
        return isNode ? QString() : shownLine(statusLabel(*row.space));
    case DetailColorRole:
        return m_colors->resolveText(
            !isNode && state(*row.space) == SpaceState::attention ? ColorRole::amber : ColorRole::secondary);
    case DotColorRole:
        if (isNode)
            return m_colors->resolve(row.node->online.value_or(false) ? ColorRole::green
                                                                      : ColorRole::secondary);
        return m_colors->resolve(spaceStateColor(*row.space));
    case StateLabelRole:
        return isNode ? QString() : shownLine(spaceStateLabel(*row.space));
    case SymbolRole:
        return isNode ? QString() : symbolFor(row.space->icon);
    case GlyphRole:
        return isNode ? QString() : Symbols::glyph(symbolFor(row.space->icon));
    case Qt::ToolTipRole:
    case TooltipRole:
        return isNode ? tr("View nodes") : tr("Open %1").arg(shownLine(row.space->name));
    case OnlineRole:
        return row.node->online.value_or(false);
    case ItemIdRole:
        return isNode ? row.node->id : row.space->id;
    case RowHeightRole:
        return isNode ? kNodeRowHeight : kSpaceRowHeight;
    case DividerRole:
        return !isNode;
    default:
        return {};
    }
}

QHash<int, QByteArray> SpacesListModel::roleNames() const {
    return {
        {KindRole, "kind"},         {TitleRole, "title"},
        {DetailRole, "detail"},     {DetailColorRole, "detailColor"},
        {DotColorRole, "dotColor"}, {StateLabelRole, "stateLabel"},
        {SymbolRole, "symbol"},     {GlyphRole, "glyph"},
        {TooltipRole, "tooltip"},   {OnlineRole, "online"},
        {ItemIdRole, "itemId"},     {RowHeightRole, "rowHeight"},
        {DividerRole, "divider"},
    };
}

void SpacesListModel::setStatus(const std::optional<InternalStatus>& status) {
    // The current rows point into the previous snapshot until rebuild() replaces them.
    const std::optional<InternalStatus> previous = std::exchange(m_status, status);
    rebuild();
}

void SpacesListModel::setSearchText(const QString& searchText) {
    const QString query = normalizedQuery(searchText);
    if (query == m_query)
        return;
    m_query = query;
    rebuild();
}

const SpacesListModel::Row* SpacesListModel::rowAt(int row) const {
    if (row < 0 || row >= m_rows.size())
        return nullptr;
    return &m_rows.at(row);
}

double SpacesListModel::listHeight() const {
    return tovi::listHeight(m_results);
}

void SpacesListModel::rebuild() {
    QList<SpaceNodeSearchResult> results;
    QList<Row> rows;
    // Only the search form has a list; the other forms show no rows.
    if (spacesForm(m_status) == SpacesForm::search) {
        results = searchAll(*std::as_const(m_status)->spaces->nodes, m_query);
        qsizetype count = 0;
        for (const SpaceNodeSearchResult& group : std::as_const(results))
            count += 1 + group.spaces.size();
        rows.reserve(count);
        for (const SpaceNodeSearchResult& group : std::as_const(results)) {
            rows.append({Kind::node, group.node, nullptr});
            for (const Space* space : group.spaces)
                rows.append({Kind::space, group.node, space});
        }
    }

    // A poll usually brings the same rows with fresh details; updating them in place keeps
    // the view's scroll position and delegates instead of rebuilding everything.
    if (sameRows(m_rows, rows)) {
        m_results = std::move(results);
        m_rows = std::move(rows);
        if (!m_rows.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
        Q_EMIT resultsChanged();
        return;
    }

    const qsizetype oldCount = m_rows.size();
    beginResetModel();
    m_results = std::move(results);
    m_rows = std::move(rows);
    endResetModel();
    if (oldCount != m_rows.size())
        Q_EMIT countChanged();
    Q_EMIT resultsChanged();
}

bool SpacesListModel::sameRows(const QList<Row>& a, const QList<Row>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].node->id != b[i].node->id)
            return false;
        if (a[i].kind == Kind::space && a[i].space->id != b[i].space->id)
            return false;
    }
    return true;
}

void SpacesListModel::coloursChanged() {
    if (m_rows.isEmpty())
        return;
    Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1), {DetailColorRole, DotColorRole});
}

} // namespace tovi
