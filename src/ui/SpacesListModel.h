#pragma once

#include "model/Records.h"
#include "ui/SpacesSearch.h"

#include <QAbstractListModel>
#include <QList>

#include <optional>

namespace tovi {

class ColorScheme;

// The spaces list flattened into rows: each group's node header followed by its space rows.
// Row texts are derived on demand, so only the rows a view asks for cost anything.
class SpacesListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    enum Role {
        KindRole = Qt::UserRole + 1, // "node" or "space"
        TitleRole,                   // node or space name
        DetailRole,                  // a space's detail line; empty for nodes
        DetailColorRole,
        DotColorRole,
        StateLabelRole, // tooltip of a space's state dot; empty for nodes
        SymbolRole,     // symbol name of a space's icon; empty for nodes
        GlyphRole,      // the symbol's glyph
        TooltipRole,    // "Open <name>" or "View nodes"
        OnlineRole,     // a node's online flag
        ItemIdRole,     // node or space id
        RowHeightRole,
        DividerRole, // a one-point divider precedes the row (space rows)
    };
    Q_ENUM(Role)

    enum class Kind { node, space };
    struct Row {
        Kind kind = Kind::node;
        const SpaceNode* node = nullptr;
        const Space* space = nullptr; // space rows only
    };

    explicit SpacesListModel(ColorScheme* colors, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The snapshot and the raw search text the rows are built from.
    void setStatus(const std::optional<InternalStatus>& status);
    void setSearchText(const QString& searchText);

    const std::optional<InternalStatus>& status() const { return m_status; }
    const QList<SpaceNodeSearchResult>& results() const { return m_results; }
    const Row* rowAt(int row) const;
    double listHeight() const;

Q_SIGNALS:
    void countChanged();
    void resultsChanged();

private:
    void rebuild();
    static bool sameRows(const QList<Row>& a, const QList<Row>& b);
    void coloursChanged();

    ColorScheme* m_colors;
    std::optional<InternalStatus> m_status;
    QString m_query;
    QList<SpaceNodeSearchResult> m_results;
    QList<Row> m_rows;
};

} // namespace tovi
