#pragma once

#include "ui/MenuViewModel.h"
#include "window/WindowHandle.h"

#include <QQuickWindow>
#include <QtQml/qqml.h>

namespace tovi::window {

// The root of the window's QML (Main.qml): everything the application and the QML say to each
// other is declared here, so that the QML compiler and qmllint check each use of it at build
// time, and the application reaches it through WindowHandle's virtual calls only.
class ToviWindow : public QQuickWindow, public WindowHandle {
    Q_OBJECT
    QML_ELEMENT
    // The application's view models; set before the QML of the window is completed.
    Q_PROPERTY(tovi::MenuViewModel* menu READ menu CONSTANT FINAL)
    // Set by the QML: the content's own height, and the width the content is laid out for.
    Q_PROPERTY(qreal contentHeight READ contentHeightF WRITE setContentHeight NOTIFY contentHeightChanged FINAL)
    Q_PROPERTY(int designWidth READ designWidth WRITE setDesignWidth NOTIFY designWidthChanged FINAL)
    // Set by the application.
    Q_PROPERTY(bool dropDown READ dropDown NOTIFY dropDownChanged FINAL)
    Q_PROPERTY(bool ownTitleBar READ ownTitleBar NOTIFY ownTitleBarChanged FINAL)
    Q_PROPERTY(bool remapping READ remapping NOTIFY remappingChanged FINAL)
    Q_PROPERTY(bool accountMenuOpen READ accountMenuOpen NOTIFY accountMenuOpenChanged FINAL)
    // A build that traces, asked to (the end-to-end checks): the contrast walk is loaded.
    Q_PROPERTY(bool tracing READ tracing CONSTANT FINAL)

public:
    ToviWindow();
    // Between the creation of the QML and its completion (the first evaluation of its bindings).
    void attach(MenuViewModel* menu, bool tracing, WindowEvents* events);

    MenuViewModel* menu() const { return m_menu; }
    qreal contentHeightF() const { return m_contentHeight; }
    void setContentHeight(qreal height);
    void setDesignWidth(int width);
    bool dropDown() const { return m_dropDown; }
    bool remapping() const { return m_remapping; }
    bool tracing() const { return m_tracing; }

    // WindowHandle
    QQuickWindow* window() override { return this; }
    int contentHeight() const override;
    int designWidth() const override { return m_designWidth; }
    void setDropDown(bool dropDown) override;
    void setOwnTitleBar(bool ownTitleBar) override;
    bool ownTitleBar() const override { return m_ownTitleBar; }
    void setRemapping(bool remapping) override;
    void setAccountMenuOpen(bool open) override;
    bool accountMenuOpen() const override { return m_accountMenuOpen; }
    QStringList textsOnScreen() override;
    void redraw() override { update(); }

    // The contrast walk's answer to textsWanted().
    Q_INVOKABLE void reportTexts(const QStringList& texts);

Q_SIGNALS:
    void contentHeightChanged();
    void designWidthChanged();
    void dropDownChanged();
    void ownTitleBarChanged();
    void remappingChanged();
    void accountMenuOpenChanged();
    // Emitted by the QML.
    void accountMenuRequested(qreal x, qreal y);
    void accountMenuDismissed();
    void toolTipShown(const QString& text);
    // Asks the contrast walk (trace builds only) for the texts on screen, answered at once.
    void textsWanted();

private:
    MenuViewModel* m_menu = nullptr;
    WindowEvents* m_events = nullptr;
    qreal m_contentHeight = 0;
    int m_designWidth = 0;
    bool m_dropDown = false;
    bool m_ownTitleBar = false;
    bool m_remapping = false;
    bool m_accountMenuOpen = false;
    bool m_tracing = false;
    QStringList m_texts;
};

} // namespace tovi::window
