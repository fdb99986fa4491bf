#include "StateDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace tovi::sim {

StateDir::StateDir(QString root)
    : m_root(std::move(root)) {}

StateDir StateDir::fromEnvironment() {
    if (qEnvironmentVariableIsSet("TOVI_DIR")) {
        const QString dir = qEnvironmentVariable("TOVI_DIR");
        return StateDir(dir.isEmpty() ? u"."_s : dir);
    }
    return StateDir(QDir::homePath() + u"/.tovi"_s);
}

QString StateDir::path(const QString& relative) const {
    return m_root + u'/' + relative;
}

bool StateDir::ensure(QString* error) const {
    QDir dir(m_root);
    for (const QString& sub : {u"run"_s, u"claims"_s}) {
        if (!dir.mkpath(sub)) {
            if (error)
                *error = u"can't create the state directory "_s + path(sub);
            return false;
        }
    }
    return true;
}

StateDir::Read StateDir::readDocument(const QString& relative, QJsonDocument& out) const {
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly))
        return file.exists() ? Read::Corrupt : Read::Missing;
    QJsonParseError err;
    out = QJsonDocument::fromJson(file.readAll(), &err);
    if (err.error != QJsonParseError::NoError)
        return Read::Corrupt;
    return Read::Ok;
}

StateDir::Read StateDir::readObject(const QString& relative, QJsonObject& out) const {
    QJsonDocument doc;
    const Read r = readDocument(relative, doc);
    if (r != Read::Ok)
        return r;
    if (!doc.isObject())
        return Read::Corrupt;
    out = doc.object();
    return Read::Ok;
}

bool StateDir::writeJson(const QString& relative, const QJsonDocument& doc, QString* error) const {
    return writeBytes(relative, doc.toJson(QJsonDocument::Indented), error);
}

bool StateDir::writeBytes(const QString& relative, const QByteArray& bytes, QString* error) const {
    QSaveFile file(path(relative));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = u"can't write "_s + path(relative) + u": "_s + file.errorString();
        return false;
    }
    return true;
}

bool StateDir::remove(const QString& relative) const {
    return QFile::remove(path(relative));
}

bool StateDir::exists(const QString& relative) const {
    return QFileInfo::exists(path(relative));
}

} // namespace tovi::sim
