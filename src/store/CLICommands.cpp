#include "store/CLICommands.h"

namespace tovi::CLICommands {

namespace {

const QString jsonFormat = QStringLiteral("--stdout-format=json");

QStringList withProfile(QStringList arguments, const std::optional<QString>& profile) {
    if (profile)
        arguments << QStringLiteral("--profile") << *profile;
    return arguments;
}

} // namespace

QStringList status() {
    return {QStringLiteral("internal"), QStringLiteral("status"), jsonFormat};
}

QStringList install() {
    return {QStringLiteral("install")};
}

QStringList installService() {
    return {QStringLiteral("install"), QStringLiteral("service")};
}

// The browser is opened by Tovi itself, and only for an address that passes its own rule.
QStringList login(const std::optional<QString>& profile) {
    return withProfile({QStringLiteral("account"), QStringLiteral("login"), QStringLiteral("--no-browser"),
                        QStringLiteral("--wait=false"), jsonFormat},
                       profile);
}

QStringList claim(const QString& token, const std::optional<QString>& profile) {
    return withProfile(
        {QStringLiteral("account"), QStringLiteral("claim"), token, QStringLiteral("--wait"), jsonFormat},
        profile);
}

QStringList profileList() {
    return {QStringLiteral("account"), QStringLiteral("profile"), QStringLiteral("list"), jsonFormat};
}

QStringList profileUse(const QString& name) {
    return {QStringLiteral("account"), QStringLiteral("profile"), QStringLiteral("use"), name};
}

QStringList profileRemove(const QString& name) {
    return {QStringLiteral("account"), QStringLiteral("profile"), QStringLiteral("remove"), name};
}

QStringList me() {
    return {QStringLiteral("account"), QStringLiteral("me"), jsonFormat};
}

QStringList logout() {
    return {QStringLiteral("account"), QStringLiteral("logout")};
}

QStringList configGet(const QString& key) {
    return {QStringLiteral("config"), QStringLiteral("get"), key, jsonFormat};
}

QStringList configSet(const QString& key, const QString& value) {
    return {QStringLiteral("config"), QStringLiteral("set"), key, value};
}

} // namespace tovi::CLICommands
