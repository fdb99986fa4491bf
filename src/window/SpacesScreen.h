#pragma once

#include "window/Controls.h"

#include <QLineEdit>
#include <QListView>
#include <QWidget>

namespace tovi {
class MenuViewModel;
class SpacesViewModel;
} // namespace tovi

namespace tovi::window {

class Style;

// Where a row of the spaces list draws each of its parts, in the list's viewport.
struct RowParts {
    bool node = false;
    QRect row;    // below the divider, if the row has one
    QRect glyph;  // space rows only
    QRect title;
    QRect detail; // space rows only
    QRect dot;
};
RowParts rowParts(const Style& style, const QModelIndex& index, const QRect& box);

// The grouped list: node headers and space rows, drawn by one painter (no widget per row).
// The arrows move the pick, Return or Space opens the picked row, a click opens the row under
// the pointer; other keys go on to the window (typing lands in the search field).
class SpacesList : public QListView {
    Q_OBJECT
public:
    SpacesList(const Style& style, SpacesViewModel* spaces, QWidget* parent = nullptr);
    const Style& style() const { return m_style; }
    SpacesViewModel* spaces() const { return m_spaces; }
    int current() const { return currentIndex().isValid() ? currentIndex().row() : -1; }
    void setCurrent(int row);
    void moveCurrent(int step);
    void openCurrent();
    // What a text of a row shows: cut, and so named in full by its tooltip.
    bool cut(const QModelIndex& index, const QRect& box, bool detail) const;
    // The list's tooltip at a point of its viewport.
    ToolTips::Tip toolTipAt(QPoint point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The row with the keyboard changed while the list has it.
    void keyboardRowChanged();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const Style& m_style;
    SpacesViewModel* m_spaces;
    bool m_focusArriving = false;
};

// The search field: the arrows walk the list below it, Return opens the picked row.
class SearchField : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

Q_SIGNALS:
    void moveRequested(int step);
    void openRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// The body while signed in: loading, "No spaces yet", or the search field over the list.
class SpacesScreen : public QWidget {
    Q_OBJECT
public:
    SpacesScreen(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent = nullptr);
    void refresh();
    void resetSelection();
    // A key that reached the window without a control taking it: text goes into the search field
    // (and the keyboard with it); with nothing focused yet, Up and Down walk the list.
    bool takeTyping(QKeyEvent* event, bool nothingFocused);
    SearchField* searchField() const { return m_search; }
    SpacesList* list() const { return m_list; }

private:
    void refreshSearchText();

    const Style& m_style;
    SpacesViewModel* m_spaces;
    Spinner* m_spinner;
    QWidget* m_spinnerBox;
    PlainLabel* m_unavailable;
    PlainLabel* m_empty;
    QWidget* m_searchRow;
    SymbolLabel* m_searchSymbol;
    SearchField* m_search;
    GlyphButton* m_clear;
    QWidget* m_searchDivider;
    PlainLabel* m_noMatches;
    SpacesList* m_list;
};

} // namespace tovi::window
