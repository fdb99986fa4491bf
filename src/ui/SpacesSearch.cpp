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
        const char* const terminal = "terminal";
        const char* const code = "chevron.left.forwardslash.chevron.right";
        const char* const display = "display";
        const char* const bubble = "text.bubble";
        const char* const globe = "globe";
        const char* const server = "server.rack";
        const char* const stack = "square.stack.3d.up";
        const std::pair<const char*, const char*> table[] = {
            {"mdi:console", terminal},
            {"mdi:console-line", terminal},
            {"mdi:terminal", terminal},
            {"mdi:code-braces", code},
            {"mdi:code-tags", code},
            {"mdi:source-branch", code},
            {"mdi:remote-desktop", display},
            {"mdi:monitor", display},
            {"mdi:desktop-classic", display},
            {"mdi:message-text-outline", bubble},
            {"mdi:message-outline", bubble},
            {"mdi:chat-outline", bubble},
            {"mdi:web", globe},
            {"mdi:earth", globe},
            {"mdi:earth-arrow-right", globe},
            {"mdi:server", server},
            {"mdi:database", server},
            {"mdi:database-outline", server},
            {"mdi:application-outline", stack},
            {"mdi:view-grid-outline", stack},
            {"mdi:lightning-bolt-outline", "bolt"},
            {"mdi:lightning-bolt", "bolt"},
            {"mdi:cube-outline", "cube"},
            {"mdi:cube", "cube"},
            {"mdi:magnify", "magnifyingglass"},
            {"mdi:file-video-outline", "video"},
            {"mdi:video-outline", "video"},
            {"mdi:hammer-wrench", "hammer"},
            {"mdi:tools", "hammer"},
            {"mdi:folder-outline", "folder"},
            {"mdi:robot-outline", "cpu"},
        };
        QHash<QString, QString> map;
        for (const auto& [icon, symbol] : table)
            map.insert(QLatin1String(icon), QLatin1String(symbol));
        return map;
    }();
    if (!icon)
        return QStringLiteral("square.dashed");
    return symbols.value(*icon, QStringLiteral("square.dashed"));
}

} // namespace tovi
