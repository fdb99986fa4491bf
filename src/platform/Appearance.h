#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPalette>

#include <optional>

class QDBusVariant;

namespace tovi {

class XSettings;

// Light or dark, and the desktop's palette where Qt does not follow it, whichever way the desktop
// announces a change. In order: the desktop portal's colour-scheme preference when it states one;
// on Plasma the colour scheme in kdeglobals (Qt reads it once at start; Plasma says it changed with
// KGlobalSettings' notifyChange); the GTK theme the X settings manager publishes (XFCE); the
// lightness of the application palette's window colour.
class Appearance : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool dark READ isDark NOTIFY changed)
public:
    explicit Appearance(QObject* parent = nullptr);
    explicit Appearance(const QDBusConnection& bus, QObject* parent = nullptr);
    ~Appearance() override;

    bool isDark() const { return m_dark; }
    // Plasma's palette as kdeglobals has it now; none elsewhere (Qt's palette is the desktop's).
    std::optional<QPalette> desktopPalette() const { return m_kdePalette; }

    static bool paletteIsDark(const QPalette& palette);

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void onSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);
    void onKdeSettingsChanged(int type, int argument);

private:
    void readPortal();
    void readKdeGlobals();
    void applyPortalValue(const QVariant& value);
    void update(bool notify = true);

    QDBusConnection m_bus;
    std::optional<bool> m_portalDark; // none: the portal states no preference or is absent
    std::optional<QPalette> m_kdePalette;
    std::optional<QPalette> m_shownKdePalette; // what the last change told of
    XSettings* m_xsettings = nullptr;
    bool m_dark = false;
};

} // namespace tovi
