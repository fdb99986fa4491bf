#include "window/SpacesScreen.h"

#include "ui/MenuViewModel.h"
#include "window/Style.h"

#include <QAbstractItemDelegate>
#include <QHBoxLayout>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

namespace tovi::window {

namespace {

using Role = SpacesListModel::Role;

QString textOf(const QModelIndex& index, Role role) {
    return index.data(role).toString();
}

// The rows as assistive technology reads them: the row's name, and a space's state.
class AccessibleRows : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::AccessibleTextRole) {
            const bool node = textOf(index, Role::KindRole) == u"node";
            return textOf(index, Role::TitleRole) + QStringLiteral(", ") +
                   textOf(index, node ? Role::TooltipRole : Role::DetailRole);
        }
        if (role == Qt::AccessibleDescriptionRole)
            return textOf(index, Role::StateLabelRole);
        return QIdentityProxyModel::data(index, role);
    }
};

const QFont& titleFont(const Style& style, bool node) {
    return node ? style.rowFonts().nodeTitle : style.rowFonts().spaceTitle;
}

class RowPainter : public QAbstractItemDelegate {
public:
    RowPainter(SpacesList* list)
        : QAbstractItemDelegate(list)
        , m_list(list) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        const int height = int(index.data(Role::RowHeightRole).toDouble()) + (index.data(Role::DividerRole).toBool() ? 1 : 0);
        return QSize(Style::windowWidth, height);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const Style& style = m_list->style();
        const RowParts parts = rowParts(style, index, option.rect);
        painter->save();
        if (index.data(Role::DividerRole).toBool())
            painter->fillRect(QRect(option.rect.left(), option.rect.top(), option.rect.width(), 1), style.divider());
        const bool current = m_list->current() == index.row();
        if ((option.state & QStyle::State_MouseOver) || current)
            painter->fillRect(parts.row, style.hover());
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(index.data(Role::DotColorRole).value<QColor>());
        painter->drawEllipse(QRectF(parts.dot));
        const QString title = textOf(index, Role::TitleRole);
        if (parts.node) {
            painter->setFont(titleFont(style, true));
            painter->setPen(style.secondary());
            painter->drawText(parts.title, Qt::AlignLeft | Qt::AlignVCenter,
                              painter->fontMetrics().elidedText(title, Qt::ElideRight, parts.title.width()));
        } else {
            painter->setFont(style.rowFonts().glyph);
            painter->setPen(style.secondary());
            painter->drawText(parts.glyph, Qt::AlignCenter, textOf(index, Role::GlyphRole));
            painter->setFont(titleFont(style, false));
            painter->setPen(style.primary());
            painter->drawText(parts.title, Qt::AlignLeft | Qt::AlignVCenter,
                              painter->fontMetrics().elidedText(title, Qt::ElideRight, parts.title.width()));
            painter->setFont(style.rowFonts().detail);
            painter->setPen(index.data(Role::DetailColorRole).value<QColor>());
            painter->drawText(parts.detail, Qt::AlignLeft | Qt::AlignVCenter,
                              painter->fontMetrics().elidedText(textOf(index, Role::DetailRole), Qt::ElideRight,
                                                                parts.detail.width()));
        }
        painter->restore();
        if (current && m_list->hasFocus()) {
            QPainter* p = painter;
            p->save();
            p->setRenderHint(QPainter::Antialiasing);
            p->setPen(QPen(m_list->palette().color(QPalette::Highlight), 2));
            p->setBrush(Qt::NoBrush);
            p->drawRoundedRect(QRectF(parts.row).adjusted(3, 3, -3, -3), 3, 3);
            p->restore();
        }
    }

private:
    SpacesList* m_list;
};

} // namespace

RowParts rowParts(const Style& style, const QModelIndex& index, const QRect& box) {
    RowParts parts;
    parts.node = textOf(index, Role::KindRole) == u"node";
    const int top = box.top() + (index.data(Role::DividerRole).toBool() ? 1 : 0);
    parts.row = QRect(box.left(), top, box.width(), box.bottom() + 1 - top);
    const QRect inner = parts.row.adjusted(12, 0, -12, 0);
    const int middle = inner.center().y();
    if (parts.node) {
        parts.dot = QRect(inner.left(), middle - 3, 6, 6);
        const int height = style.rowFonts().nodeTitleHeight;
        parts.title = QRect(inner.left() + 12, middle - height / 2, inner.width() - 12, height);
        return parts;
    }
    parts.glyph = QRect(inner.left(), parts.row.top(), 16, parts.row.height());
    parts.dot = QRect(inner.right() + 1 - 9, middle - 4, 9, 9);
    const int left = parts.glyph.right() + 1 + 8;
    const int width = parts.dot.left() - 8 - left;
    const int titleHeight = style.rowFonts().spaceTitleHeight;
    const int detailHeight = style.rowFonts().detailHeight;
    const int y = middle - (titleHeight + 1 + detailHeight) / 2;
    parts.title = QRect(left, y, width, titleHeight);
    parts.detail = QRect(left, y + titleHeight + 1, width, detailHeight);
    return parts;
}

// ---- SpacesList

SpacesList::SpacesList(const Style& style, SpacesViewModel* spaces, QWidget* parent)
    : QListView(parent)
    , m_style(style)
    , m_spaces(spaces) {
    setObjectName(QStringLiteral("spacesList"));
    setAccessibleName(tr("Spaces"));
    auto* rows = new AccessibleRows(this);
    rows->setSourceModel(spaces->model());
    setModel(rows);
    setItemDelegate(new RowPainter(this));
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A Tab stop between the search field and the footer.
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        viewport()->update();
        // The keyboard's arrival says so itself.
        if (hasFocus() && currentIndex().isValid() && !m_focusArriving)
            Q_EMIT keyboardRowChanged();
    });
}

QSize SpacesList::sizeHint() const {
    return QSize(Style::windowWidth, int(std::ceil(m_spaces->listHeight())));
}

// The least the list needs in a window held to the screen's height: a node with one space.
QSize SpacesList::minimumSizeHint() const {
    return QSize(0, std::min(sizeHint().height(), 28 + 43));
}

void SpacesList::setCurrent(int row) {
    if (row < 0) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
}

void SpacesList::moveCurrent(int step) {
    const int next = current() + step;
    if (next < 0 || next >= model()->rowCount())
        return;
    setCurrent(next);
    scrollTo(model()->index(next, 0), QAbstractItemView::EnsureVisible);
}

void SpacesList::openCurrent() {
    if (current() >= 0)
        m_spaces->open(current());
}

void SpacesList::focusInEvent(QFocusEvent* event) {
    m_focusArriving = true;
    if (current() < 0 && model()->rowCount() > 0)
        setCurrent(0);
    m_focusArriving = false;
    QListView::focusInEvent(event);
    viewport()->update();
}

void SpacesList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Down:
        moveCurrent(1);
        return;
    case Qt::Key_Up:
        moveCurrent(-1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            break;
        openCurrent();
        return;
    default:
        break;
    }
    event->ignore();
}

// A click opens the row under the pointer and leaves the keyboard's pick alone.
void SpacesList::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void SpacesList::mouseReleaseEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid())
        m_spaces->open(index.row());
}

void SpacesList::mouseMoveEvent(QMouseEvent* event) {
    // Hover only: no drag selection.
    viewport()->update();
    event->accept();
}

void SpacesList::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

bool SpacesList::cut(const QModelIndex& index, const QRect& box, bool detail) const {
    const RowParts parts = rowParts(m_style, index, box);
    const bool node = parts.node;
    const QFont& font = detail ? m_style.rowFonts().detail : titleFont(m_style, node);
    const QString text = textOf(index, detail ? Role::DetailRole : Role::TitleRole);
    return QFontMetrics(font).horizontalAdvance(text) > (detail ? parts.detail : parts.title).width();
}

ToolTips::Tip SpacesList::toolTipAt(QPoint point) const {
    const QModelIndex index = indexAt(point);
    if (!index.isValid())
        return {};
    const QRect box = visualRect(index);
    const RowParts parts = rowParts(m_style, index, box);
    const QString tooltip = textOf(index, Role::TooltipRole);
    if (parts.node)
        return {cut(index, box, false) ? textOf(index, Role::TitleRole) + u'\n' + tooltip : tooltip, parts.row};
    // The state dot says the state; the rest of the row names the space in full, and a cut
    // detail line shows there too.
    const QRect dot = parts.dot.adjusted(-4, -4, 4, 4);
    if (dot.contains(point))
        return {textOf(index, Role::StateLabelRole), dot};
    return {cut(index, box, true) ? tooltip + u'\n' + textOf(index, Role::DetailRole) : tooltip, parts.row};
}

// ---- SearchField

void SearchField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Down:
        Q_EMIT moveRequested(1);
        return;
    case Qt::Key_Up:
        Q_EMIT moveRequested(-1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT openRequested();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void SearchField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (hasFocus())
        paintFocusRing(this, rect());
}

// ---- SpacesScreen

SpacesScreen::SpacesScreen(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_spaces(menu->body()->spaces())
    , m_spinner(new Spinner(28, tr("Loading spaces")))
    , m_spinnerBox(new QWidget(this))
    , m_unavailable(new PlainLabel(this))
    , m_empty(new PlainLabel(this))
    , m_searchRow(new QWidget(this))
    , m_searchSymbol(new SymbolLabel(style, style.bodySize() * 1.1, m_searchRow))
    , m_search(new SearchField(m_searchRow))
    , m_clear(new GlyphButton(style, style.bodySize(), m_searchRow))
    , m_searchDivider(new Divider(style, Qt::Horizontal, this))
    , m_noMatches(new PlainLabel(this))
    , m_list(new SpacesList(style, m_spaces, this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* spinnerRow = new QVBoxLayout(m_spinnerBox);
    spinnerRow->setContentsMargins(0, 16, 0, 16);
    m_spinner->setParent(m_spinnerBox);
    spinnerRow->addWidget(m_spinner, 0, Qt::AlignHCenter);
    column->addWidget(m_spinnerBox);

    const auto centred = [&](PlainLabel* label, int horizontal, bool wrap) {
        label->setFont(style.font(style.calloutSize()));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(wrap);
        label->setContentsMargins(horizontal, 16, horizontal, 16);
        column->addWidget(label);
    };
    centred(m_unavailable, 16, true);
    m_empty->setText(tr("No spaces yet"));
    centred(m_empty, 0, false);

    auto* search = new QHBoxLayout(m_searchRow);
    search->setContentsMargins(12, 6, 12, 6);
    search->setSpacing(6);
    search->addWidget(m_searchSymbol);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(tr("Search spaces"));
    m_search->setAccessibleName(tr("Search spaces"));
    m_search->setFont(style.font(style.calloutSize()));
    m_search->setFrame(false);
    m_search->setTextMargins(2, 2, 2, 2);
    search->addWidget(m_search, 1);
    m_clear->setFocusPolicy(Qt::NoFocus);
    m_clear->setAccessibleName(tr("Clear search"));
    search->addWidget(m_clear);
    column->addWidget(m_searchRow);
    column->addWidget(m_searchDivider);
    m_noMatches->setText(tr("No matches"));
    centred(m_noMatches, 0, false);
    column->addWidget(m_list, 1);

    connect(m_search, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_spaces->setSearchText(text);
        m_list->setCurrent(-1);
    });
    connect(m_search, &SearchField::moveRequested, m_list, &SpacesList::moveCurrent);
    connect(m_search, &SearchField::openRequested, m_list, &SpacesList::openCurrent);
    connect(m_clear, &QAbstractButton::clicked, this, [this] {
        m_spaces->clearSearch();
        m_list->setCurrent(-1);
        m_search->setFocus(Qt::OtherFocusReason);
    });
    tips->attach(m_list->viewport(), [this](QPoint at) { return m_list->toolTipAt(at); });
    connect(m_spaces, &SpacesViewModel::changed, this, &SpacesScreen::refresh);
    connect(m_spaces, &SpacesViewModel::searchTextChanged, this, &SpacesScreen::refreshSearchText);
    refresh();
}

void SpacesScreen::refresh() {
    const QString form = m_spaces->form();
    const bool loading = form == u"loading";
    const bool search = form == u"search";
    m_spinnerBox->setVisible(loading && m_spaces->unavailableText().isEmpty());
    m_unavailable->setVisible(loading && !m_spaces->unavailableText().isEmpty());
    m_unavailable->setText(m_spaces->unavailableText());
    m_empty->setVisible(form == u"empty");
    m_searchRow->setVisible(search);
    m_searchDivider->setVisible(search);
    m_noMatches->setVisible(search && m_spaces->showNoMatches());
    m_list->setVisible(search && !m_spaces->showNoMatches());
    m_list->setMaximumHeight(int(std::ceil(m_spaces->listHeight())));
    m_list->updateGeometry();
    // A list that lost rows forgets a pick past its end.
    if (m_list->current() >= m_list->model()->rowCount())
        m_list->setCurrent(-1);
    for (PlainLabel* label : {m_unavailable, m_empty, m_noMatches})
        label->setColor(m_style.secondary());
    m_searchSymbol->setText(m_spaces->searchGlyph());
    m_searchSymbol->setColor(m_style.secondary());
    m_clear->setGlyph(m_spaces->clearGlyph());
    QPalette p = m_search->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, m_style.primary());
    p.setColor(QPalette::PlaceholderText, m_style.secondary());
    // Only when the scheme changed: a new palette restyles the field.
    if (p != m_search->palette() || !m_search->testAttribute(Qt::WA_SetPalette))
        m_search->setPalette(p);
    refreshSearchText();
    m_list->viewport()->update();
}

void SpacesScreen::refreshSearchText() {
    if (m_search->text() != m_spaces->searchText())
        m_search->setText(m_spaces->searchText());
    m_clear->setVisible(m_spaces->showClearButton());
}

void SpacesScreen::resetSelection() {
    m_list->setCurrent(-1);
    m_list->scrollToTop();
}

bool SpacesScreen::takeTyping(QKeyEvent* event, bool nothingFocused) {
    if (m_spaces->form() != u"search")
        return false;
    if (nothingFocused && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up)) {
        m_search->setFocus(Qt::OtherFocusReason);
        m_list->moveCurrent(event->key() == Qt::Key_Down ? 1 : -1);
        return true;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = event->text();
    if (text.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }))
        return false;
    m_search->setFocus(Qt::OtherFocusReason);
    m_search->insert(text);
    m_spaces->setSearchText(m_search->text());
    m_list->setCurrent(-1);
    return true;
}

} // namespace tovi::window
