#include "window/Controls.h"
#include "window/SpacesScreen.h"
#include "window/ToviWindow.h"
#include "ui/SpacesListModel.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <cmath>

// For the contrast check of the end-to-end tests (on the trace; in trace builds only): every
// text and button on screen as "ROLE X Y W H NAME SHOWN" in the window's device pixels, cut to
// what is not clipped. A text's role is its colour's (body: primary, secondary, state: a state
// colour's text shade); a button's is "button", its text on its own face. SHOWN is "whole", or
// "cut" for a text the window elided.
namespace tovi::window {

namespace {

class Walk {
public:
    explicit Walk(const ToviWindow& window)
        : m_window(window)
        , m_style(window.style())
        , m_ratio(window.devicePixelRatioF()) {}

    QStringList run() {
        visit(m_window.content(), m_window.rect());
        return m_lines;
    }

private:
    QString role(const QColor& color, bool symbol) const {
        // By name: colours with an alpha can differ in their last bits and still be one colour.
        const auto same = [&](const QColor& other) { return color.name(QColor::HexArgb) == other.name(QColor::HexArgb); };
        const ColorScheme* colors = m_style.colors();
        if (same(m_style.primary()) || same(colors->accent()))
            return QStringLiteral("body");
        if (same(m_style.secondary()))
            return QStringLiteral("secondary");
        // Symbols keep the state colours as they are; only texts take the deeper shade.
        if (!symbol && (same(colors->greenText()) || same(colors->redText()) || same(colors->amberText())))
            return QStringLiteral("state");
        return {};
    }

    void add(const QString& role, QRect box, const QRect& clip, const QString& text, bool cut, int inset = 0) {
        box = box.intersected(clip);
        if (role.isEmpty() || text.isEmpty() || box.width() < 4 + 2 * inset || box.height() < 4 + 2 * inset)
            return;
        static const QRegularExpression nonWord(QStringLiteral("[^A-Za-z0-9_]+"));
        const auto px = [&](int v) { return QString::number(std::lround(v * m_ratio)); };
        m_lines << QStringList{role,
                               px(box.x() + inset),
                               px(box.y() + inset),
                               px(box.width() - 2 * inset),
                               px(box.height() - 2 * inset),
                               QString(text).replace(nonWord, QStringLiteral("_")).left(24),
                               cut ? QStringLiteral("cut") : QStringLiteral("whole")}
                        .join(u' ');
    }

    QRect boxOf(const QWidget* widget) const {
        return QRect(widget->mapTo(&m_window, QPoint(0, 0)), widget->size());
    }

    void visit(const QWidget* widget, const QRect& clip) {
        if (!widget->isVisible())
            return;
        const QRect box = boxOf(widget);
        const QRect inner = box.intersected(clip);
        if (auto* button = qobject_cast<const Button*>(widget)) {
            add(QStringLiteral("button"), box, clip, button->text(), false, 3);
            return;
        }
        if (auto* glyph = qobject_cast<const GlyphButton*>(widget)) {
            add(role(glyph->glyphColor(), false), box, clip, glyph->glyph(), false);
            return;
        }
        if (auto* label = qobject_cast<const PlainLabel*>(widget)) {
            const bool symbol = label->font().family() == m_style.symbolFamily();
            const QColor color = label->color().isValid() ? label->color() : label->palette().color(QPalette::WindowText);
            add(role(color, symbol), box, clip, label->text(), label->truncated());
            return;
        }
        if (auto* field = qobject_cast<const QLineEdit*>(widget)) {
            if (field->text().isEmpty())
                add(role(field->palette().color(QPalette::PlaceholderText), false), box, clip,
                    field->placeholderText(), false);
            return;
        }
        if (auto* list = qobject_cast<const SpacesList*>(widget)) {
            rows(list, QRect(list->viewport()->mapTo(&m_window, QPoint(0, 0)), list->viewport()->size()).intersected(inner));
            return;
        }
        for (const QObject* child : widget->children())
            if (child->isWidgetType())
                visit(static_cast<const QWidget*>(child), inner);
    }

    void rows(const SpacesList* list, const QRect& clip) {
        using Role = SpacesListModel::Role;
        const QPoint origin = list->viewport()->mapTo(&m_window, QPoint(0, 0));
        const QAbstractItemModel* model = list->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            const QRect box = list->visualRect(index);
            if (!box.translated(origin).intersects(clip))
                continue;
            const RowParts parts = rowParts(m_style, index, box);
            const QString title = index.data(Role::TitleRole).toString();
            if (parts.node) {
                add(QStringLiteral("secondary"), parts.title.translated(origin), clip, title, list->cut(index, box, false));
                continue;
            }
            add(role(m_style.secondary(), true), parts.glyph.translated(origin), clip,
                index.data(Role::GlyphRole).toString(), false);
            add(QStringLiteral("body"), parts.title.translated(origin), clip, title, list->cut(index, box, false));
            add(role(index.data(Role::DetailColorRole).value<QColor>(), false), parts.detail.translated(origin), clip,
                index.data(Role::DetailRole).toString(), list->cut(index, box, true));
        }
    }

    const ToviWindow& m_window;
    const Style& m_style;
    qreal m_ratio;
    QStringList m_lines;
};

} // namespace

QStringList contrastWalk(const ToviWindow& window) {
    return Walk(window).run();
}

} // namespace tovi::window
