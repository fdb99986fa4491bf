#include "ui/TrayIconRenderer.h"

#include "store/StatusStore.h"
#include "ui/MenuBarIcon.h"

namespace tovi {

TrayIconRenderer::TrayIconRenderer(StatusStore* store, QObject* parent)
    : QObject(parent)
    , m_store(store) {
    connect(m_store, &StatusStore::statusChanged, this, &TrayIconRenderer::update);
    update();
}

void TrayIconRenderer::setDark(bool dark) {
    if (m_dark == dark)
        return;
    m_dark = dark;
    Q_EMIT darkChanged();
    update();
}

void TrayIconRenderer::update() {
    IconBitmap bitmap = MenuBarIcon::bitmap(m_store->status(), m_dark);
    if (m_rendered && *m_rendered == bitmap)
        return;
    m_icon = bitmap.renderIcon();
    m_rendered = std::move(bitmap);
    ++m_renderCount;
    Q_EMIT iconChanged(m_icon);
}

} // namespace tovi
