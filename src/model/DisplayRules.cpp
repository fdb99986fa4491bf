#include "model/DisplayRules.h"

#include <QCoreApplication>

namespace tovi {

namespace {

bool matchesWord(const std::optional<QString>& text, QLatin1StringView word) {
    return text && text->toLower() == word;
}

// The trimmed text, or nothing when it is absent or only blanks.
std::optional<QString> trimmedText(const std::optional<QString>& text) {
    if (!text)
        return std::nullopt;
    QString trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

} // namespace

SpaceState state(const Space& space) {
    if (space.online == false)
        return SpaceState::offline;
    if (space.stopped == true)
        return SpaceState::stopped;
    if (matchesWord(space.indicator, QLatin1StringView("attention")))
        return SpaceState::attention;
    if (matchesWord(space.status, QLatin1StringView("ready")) ||
        matchesWord(space.status, QLatin1StringView("running")))
        return SpaceState::ready;
    return SpaceState::unknown;
}

QString statusLabel(const Space& space) {
    const SpaceState s = state(space);
    if (s == SpaceState::attention)
        return trimmedText(space.indicatorLabel)
            .value_or(QCoreApplication::translate("DisplayRules", "Needs attention"));
    if (auto detail = trimmedText(space.activityDetail))
        return *detail;

    switch (s) {
    case SpaceState::offline:
        return QCoreApplication::translate("DisplayRules", "Offline");
    case SpaceState::unknown:
        return QCoreApplication::translate("DisplayRules", "Status unavailable");
    case SpaceState::stopped:
        return QCoreApplication::translate("DisplayRules", "Stopped");
    case SpaceState::attention:
        return QCoreApplication::translate("DisplayRules", "Needs attention");
    case SpaceState::ready:
        if (auto activity = trimmedText(space.activity))
            return capitalizeWords(*activity);
        return matchesWord(space.status, QLatin1StringView("running"))
                   ? QCoreApplication::translate("DisplayRules", "Running")
                   : QCoreApplication::translate("DisplayRules", "Ready");
    }
    return QCoreApplication::translate("DisplayRules", "Status unavailable");
}

StatusAlertLevel alertLevel(const InternalStatus& status) {
    bool anyAttention = false;
    if (status.spaces && status.spaces->nodes) {
        for (const SpaceNode& node : *status.spaces->nodes) {
            if (!node.spaces)
                continue;
            for (const Space& space : *node.spaces) {
                switch (state(space)) {
                case SpaceState::offline:
                    return StatusAlertLevel::offline;
                case SpaceState::attention:
                    anyAttention = true;
                    break;
                case SpaceState::ready:
                case SpaceState::stopped:
                case SpaceState::unknown:
                    break;
                }
            }
        }
    }
    if (anyAttention)
        return StatusAlertLevel::attention;
    if (status.notifications && status.notifications->unread.value_or(0) > 0)
        return StatusAlertLevel::unread;
    return StatusAlertLevel::none;
}

std::optional<NodeCounts> nodeCounts(const std::optional<QList<SpaceNode>>& nodes) {
    if (!nodes)
        return std::nullopt;
    NodeCounts counts;
    counts.total = nodes->size();
    for (const SpaceNode& node : *nodes) {
        if (node.online == true)
            ++counts.online;
    }
    return counts;
}

QString capitalizeWords(const QString& text) {
    QString out = text;
    bool startOfWord = true;
    for (qsizetype i = 0; i < out.size(); ++i) {
        QChar& c = out[i];
        if (c.isLetter()) {
            c = startOfWord ? c.toUpper() : c.toLower();
            startOfWord = false;
            continue;
        }
        // An apostrophe between letters joins a contraction or elision ("don't", "l’eau").
        const bool apostrophe = c == QLatin1Char('\'') || c == QChar(0x2019);
        const bool insideWord = !startOfWord && i + 1 < out.size() && out.at(i + 1).isLetter();
        startOfWord = !(apostrophe && insideWord);
    }
    return out;
}

bool isSignedOut(const std::optional<InternalStatus>& status) {
    return status && status->authenticated && !*status->authenticated;
}

} // namespace tovi
