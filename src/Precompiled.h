// Headers nearly every translation unit includes, compiled once per target.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#if __has_include(<qcoro/qcorotask.h>)
#include <qcoro/qcorotask.h>
#endif

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
