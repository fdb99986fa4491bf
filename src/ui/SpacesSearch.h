#pragma once

#include "model/Records.h"

#include <QList>
#include <QString>

#include <optional>

namespace tovi {

inline constexpr double kNodeRowHeight = 28.0;
inline constexpr double kSpaceRowHeight = 42.0;
inline constexpr double kMaxListHeight = 406.0;

// One group of the spaces list. Points into the snapshot it was computed from, which must
// outlive it.
struct SpaceNodeSearchResult {
    const SpaceNode* node = nullptr;
    QList<const Space*> spaces;
};

enum class SpacesForm { loading, empty, search };

SpacesForm spacesForm(const std::optional<InternalStatus>& status);

// The query as it is matched: surrounding white space and line breaks removed.
QString normalizedQuery(const QString& searchText);

// `query` must already be normalised.
std::optional<SpaceNodeSearchResult> search(const SpaceNode& node, const QString& query);
QList<SpaceNodeSearchResult> searchAll(const QList<SpaceNode>& nodes, const QString& query);

double listHeight(const QList<SpaceNodeSearchResult>& results, double nodeRowHeight = kNodeRowHeight,
                  double spaceRowHeight = kSpaceRowHeight, double maxListHeight = kMaxListHeight);

// The symbol name for a space's icon identifier.
QString symbolFor(const std::optional<QString>& icon);

} // namespace tovi
