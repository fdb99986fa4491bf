#include "ui/SpacesSearch.h"

#include <QHash>

#include <algorithm>

namespace tovi {

namespace {

bool hasSpaces(const SpaceNode& node) {
    return node.spaces && !node.spaces->isEmpty();
}

} // namespace

SpacesForm spacesForm(const std::optional<InternalStatus>& status) {
    if (!status || !status->spaces || !status->spaces->nodes)
        return SpacesForm::loading;
    const QList<SpaceNode>& nodes = *status->spaces->nodes;
    if (std::none_of(nodes.cbegin(), nodes.cend(), hasSpaces))
        return SpacesForm::empty;
    return SpacesForm::search;
}

QString normalizedQuery(const QString& searchText) {
    return searchText.trimmed();
}

std::optional<SpaceNodeSearchResult> search(const SpaceNode& node, const QString& query) {
    SpaceNodeSearchResult result{&node, {}};
    const QList<Space> empty;
    const QList<Space>& spaces = node.spaces ? *node.spaces : empty;

    if (query.isEmpty() || node.name.contains(query, Qt::CaseInsensitive)) {
        if (query.isEmpty() && spaces.isEmpty())
            return std::nullopt;
        result.spaces.reserve(spaces.size());
        for (const Space& space : spaces)
            result.spaces.append(&space);
        return result;
    }
    for (const Space& space : spaces) {
        if (space.name.contains(query, Qt::CaseInsensitive))
            result.spaces.append(&space);
    }
    if (result.spaces.isEmpty())
        return std::nullopt;
    return result;
}

QList<SpaceNodeSearchResult> searchAll(const QList<SpaceNode>& nodes, const QString& query) {
    QList<SpaceNodeSearchResult> results;
    for (const SpaceNode& node : nodes) {
        if (auto group = search(node, query))
            results.append(std::move(*group));
    }
    return results;
}

double listHeight(const QList<SpaceNodeSearchResult>& results, double nodeRowHeight, double spaceRowHeight,
                  double maxListHeight) {
    double total = 0;
    for (const SpaceNodeSearchResult& group : results)
        total += nodeRowHeight + double(group.spaces.size()) * (spaceRowHeight + 1);
    return std::min(maxListHeight, total);
}

QString symbolFor(const std::optional<QString>& icon) {
    static const QHash<QString, QString> symbols = [] {
        const std::pair<const char*, std::initializer_list<const char*>> table[] = {
            {"terminal", {"mdi:console", "mdi:console-line", "mdi:terminal"}},
            {"chevron.left.forwardslash.chevron.right",
             {"mdi:code-braces", "mdi:code-tags", "mdi:source-branch"}},
            {"display", {"mdi:remote-desktop", "mdi:monitor", "mdi:desktop-classic"}},
            {"text.bubble", {"mdi:message-text-outline", "mdi:message-outline", "mdi:chat-outline"}},
            {"globe", {"mdi:web", "mdi:earth", "mdi:earth-arrow-right"}},
            {"server.rack", {"mdi:server", "mdi:database", "mdi:database-outline"}},
            {"square.stack.3d.up", {"mdi:application-outline", "mdi:view-grid-outline"}},
            {"bolt", {"mdi:lightning-bolt-outline", "mdi:lightning-bolt"}},
            {"cube", {"mdi:cube-outline", "mdi:cube"}},
            {"magnifyingglass", {"mdi:magnify"}},
            {"video", {"mdi:file-video-outline", "mdi:video-outline"}},
            {"hammer", {"mdi:hammer-wrench", "mdi:tools"}},
            {"folder", {"mdi:folder-outline"}},
            {"cpu", {"mdi:robot-outline"}},
        };
        QHash<QString, QString> map;
        for (const auto& [symbol, icons] : table) {
            for (const char* name : icons)
                map.insert(QLatin1String(name), QLatin1String(symbol));
        }
        return map;
    }();
    if (!icon)
        return QStringLiteral("square.dashed");
    return symbols.value(*icon, QStringLiteral("square.dashed"));
}

} // namespace tovi
