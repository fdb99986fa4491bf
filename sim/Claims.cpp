#include "Claims.h"

#include "StateLock.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace tovi::sim {

bool Claims::validToken(const QString& token) {
    static const QRegularExpression re(u"^[A-Za-z0-9_-]{8,128}$"_s);
    return re.match(token).hasMatch();
}

QString Claims::create(const StateDir& dir, const QString& profile, qint64 ttlSeconds, QString* error) {
    quint32 words[6];
    QRandomGenerator::system()->fillRange(words);
    const QString token =
        QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof(words))
                                .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QJsonObject claim{{u"token"_s, token},
                            {u"profile"_s, profile},
                            {u"status"_s, u"pending"_s},
                            {u"created"_s, now.toString(Qt::ISODateWithMs)},
                            {u"expires_at_ms"_s, now.addSecs(ttlSeconds).toMSecsSinceEpoch()}};
    if (!dir.writeJson(file(token), QJsonDocument(claim), error))
        return {};
    return token;
}

StateDir::Read Claims::load(const StateDir& dir, const QString& token, QJsonObject& out) {
    if (!validToken(token))
        return StateDir::Read::Missing;
    return dir.readObject(file(token), out);
}

bool Claims::expired(const QJsonObject& claim, const QDateTime& now) {
    return now.toMSecsSinceEpoch() >= claim.value(u"expires_at_ms"_s).toInteger();
}

Claims::Decision Claims::decide(const StateDir& dir, const QString& token, bool approve) {
    StateLock lock(dir);
    QJsonObject claim;
    if (load(dir, token, claim) != StateDir::Read::Ok)
        return Decision::Unknown;
    if (claim.value(u"status"_s).toString() != u"pending"_s)
        return Decision::AlreadyDecided;
    if (expired(claim, QDateTime::currentDateTimeUtc()))
        return Decision::Expired;
    claim.insert(u"status"_s, approve ? u"approved"_s : u"rejected"_s);
    if (!dir.writeJson(file(token), QJsonDocument(claim), nullptr))
        return Decision::Unknown;
    return Decision::Done;
}

} // namespace tovi::sim
