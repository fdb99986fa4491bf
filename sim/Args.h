#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace tovi::sim {

// Command-line words split into positionals and the few options this CLI knows.
// Options take "--name=value" or "--name value"; boolean options may stand alone.
class Args {
public:
    static Args parse(const QStringList& words);

    const QStringList& positional() const { return m_positional; }
    QString word(qsizetype index) const { return m_positional.value(index); }
    bool has(const QString& option) const { return m_options.contains(option); }
    QString value(const QString& option) const { return m_options.value(option); }
    // "--wait" alone or "--wait=true" is on; "--wait=false" is off; missing gives fallback.
    bool flag(const QString& option, bool fallback) const;
    bool json() const { return value(QStringLiteral("stdout-format")) == QLatin1String("json"); }

    // Non-empty when the words were not usable (unknown option, missing value...).
    QString error() const { return m_error; }

private:
    QStringList m_positional;
    QMap<QString, QString> m_options;
    QString m_error;
};

} // namespace tovi::sim
