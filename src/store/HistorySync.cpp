#include "bridge/CLICommandRunner.h"
#include "model/Decoding.h"
#include "platform/UserDefaults.h"
#include "store/CLICommands.h"
#include "store/StatusStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QPointer>

#include <algorithm>

namespace tovi {

namespace {

QString historyKey(const QString& profile) {
    return QStringLiteral("profile.") + profile + QStringLiteral(".memory_disabled");
}

} // namespace

void StatusStore::setHistorySyncEnabled(bool value) {
    saveSwitch(settings::historySync, value);
    setHistorySyncEnabledField(value);
    applyHistorySetting();
}

TaskHandlePtr StatusStore::applyHistorySetting() {
    if (m_historySyncTask)
        return m_historySyncTask;
    setHistorySyncApplying(true);
    auto handle = std::make_shared<TaskHandle>();
    // Stored before the loop starts: the loop runs eagerly and may finish before we return.
    m_historySyncTask = handle;
    historySyncLoop(handle);
    return handle;
}

QCoro::Task<> StatusStore::awaitHistorySync(QStringList names) {
    for (const QString& name : std::as_const(names))
        m_pendingHistoryProfiles.insert(name);
    const TaskHandlePtr handle = applyHistorySetting();
    co_await TaskHandle::wait(handle);
}

QCoro::Task<> StatusStore::historySyncLoop(TaskHandlePtr handle) {
    QPointer<StatusStore> self(this);
    for (;;) {
        const bool enabled = m_historySyncEnabled;
        QStringList names = m_pendingHistoryProfiles.values();
        std::sort(names.begin(), names.end());
        m_pendingHistoryProfiles.clear();

        const Status pass = co_await syncHistoryPass(enabled, names);
        if (!self) {
            handle->finish();
            co_return;
        }
        setHistorySyncError(pass ? std::nullopt : std::optional<QString>(pass.error().description()));

        // Changes that arrived during the pass are taken up here rather than by a second
        // operation.
        if (m_historySyncEnabled == enabled && m_pendingHistoryProfiles.isEmpty())
            break;
        if (handle->isCancelled())
            break;
    }
    setHistorySyncApplying(false);
    if (m_historySyncTask == handle)
        m_historySyncTask.reset();
    handle->finish();
}

QCoro::Task<Status> StatusStore::syncHistoryPass(bool enabled, QStringList profiles) {
    // Touches no field, so it needs no store after its first await.
    const std::shared_ptr<CLICommandRunner> runner = m_deps.cliRunner;
    std::optional<Error> firstError;
    const auto record = [&firstError](const Error& error) {
        if (!firstError)
            firstError = error;
    };

    QStringList targets{QStringLiteral("default")};
    const QStringList listArguments = CLICommands::profileList();
    const Result<QByteArray> listed = co_await runner->run(listArguments);
    if (!listed) {
        record(listed.error());
    } else {
        const Result<QList<Profile>> decoded = decodeProfileList(listed.value());
        if (!decoded) {
            record(decoded.error());
        } else {
            for (const Profile& profile : decoded.value())
                targets << profile.name;
        }
    }
    targets << profiles;

    QSet<QString> handled;
    for (const QString& name : std::as_const(targets)) {
        if (handled.contains(name))
            continue;
        handled.insert(name);
        const QString key = historyKey(name);

        const QStringList getArguments = CLICommands::configGet(key);
        const Result<QByteArray> current = co_await runner->run(getArguments);
        if (!current) {
            record(current.error());
            continue;
        }
        const Result<bool> disabled = readHistoryDisabled(current.value(), key);
        if (!disabled) {
            record(disabled.error());
            continue;
        }
        // "disabled" is the opposite of the switch: differing means already as wanted.
        if (disabled.value() != enabled)
            continue;

        const QStringList setArguments =
            CLICommands::configSet(key, enabled ? QStringLiteral("false") : QStringLiteral("true"));
        const Result<QByteArray> written = co_await runner->run(setArguments);
        if (!written)
            record(written.error());
    }

    if (firstError)
        co_return *firstError;
    co_return success();
}

Result<bool> StatusStore::readHistoryDisabled(const QByteArray& output, const QString& key) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(output, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return Error::historyInvalidValue(key);
    const QJsonObject object = document.object();
    const auto member = object.constFind(key);
    if (member == object.constEnd())
        return Error::historyInvalidValue(key);

    const QJsonValue value = *member;
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::String: {
        const QString text = value.toString().toLower();
        if (text.isEmpty() || text == QLatin1String("false"))
            return false;
        if (text == QLatin1String("true"))
            return true;
        return Error::historyInvalidValue(key);
    }
    case QJsonValue::Double:
        // Some CLI builds print flags as 0 and 1; every other number is unreadable.
        if (value.toDouble() == 0)
            return false;
        if (value.toDouble() == 1)
            return true;
        return Error::historyInvalidValue(key);
    case QJsonValue::Null:
    case QJsonValue::Array:
    case QJsonValue::Object:
    case QJsonValue::Undefined:
        return Error::historyInvalidValue(key);
    }
    return Error::historyInvalidValue(key);
}

} // namespace tovi
