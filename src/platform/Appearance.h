#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPalette>

#include <optional>

class QDBusVariant;

namespace tovi {

// Light or dark: the desktop portal's colour-scheme preference when it states one,
// otherwise the lightness of the application palette's window colour.
class Appearance : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool dark READ isDark NOTIFY changed)
public:
    explicit Appearance(QObject* parent = nullptr);
    explicit Appearance(const QDBusConnection& bus, QObject* parent = nullptr);
    ~Appearance() override;

    bool isDark() const { return m_dark; }

    static bool paletteIsDark(const QPalette& palette);

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void onSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    void readPortal();
    void applyPortalValue(const QVariant& value);
    void update();

    QDBusConnection m_bus;
    std::optional<bool> m_portalDark; // none: the portal states no preference or is absent
    bool m_dark = false;
};

} // namespace tovi
