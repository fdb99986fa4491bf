#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace tovi::sim {

// The directory where the stand-in CLI keeps everything it knows: TOVI_DIR when set
// (even when empty, which then means the working directory), else ~/.tovi.
class StateDir {
public:
    enum class Read { Ok, Missing, Corrupt };

    explicit StateDir(QString root);
    static StateDir fromEnvironment();

    QString root() const { return m_root; }
    QString path(const QString& relative) const;

    // Creates the directory and its run/ and claims/ subdirectories.
    bool ensure(QString* error) const;

    Read readObject(const QString& relative, QJsonObject& out) const;
    Read readDocument(const QString& relative, QJsonDocument& out) const;
    // Replaces the file in one rename so that a concurrent reader sees the old or the new
    // content, never a torn one.
    bool writeJson(const QString& relative, const QJsonDocument& doc, QString* error) const;
    bool writeBytes(const QString& relative, const QByteArray& bytes, QString* error) const;
    bool remove(const QString& relative) const;
    bool exists(const QString& relative) const;

private:
    QString m_root;
};

} // namespace tovi::sim
