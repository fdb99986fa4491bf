#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace tovi {

// One string of the X settings manager's XSETTINGS (XFCE's xfsettingsd, GNOME's and MATE's
// settings daemons publish their GTK theme there), followed as the manager changes it, goes or
// a new one takes over. Inert outside X11.
class XSettings : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit XSettings(QByteArray name, QObject* parent = nullptr);
    ~XSettings() override;

    // None: no manager, or it does not publish the setting.
    std::optional<QString> value() const { return m_value; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void changed();

private:
    void findManager();
    void read();

    QByteArray m_name;
    void* m_connection = nullptr; // xcb_connection_t, kept out of the header
    uint32_t m_root = 0;
    uint32_t m_selection = 0;
    uint32_t m_settingsAtom = 0;
    uint32_t m_managerAtom = 0;
    uint32_t m_owner = 0;
    std::optional<QString> m_value;
};

} // namespace tovi
