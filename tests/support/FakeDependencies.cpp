#include "support/FakeDependencies.h"

#include "store/CLICommands.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tovi::testing {

FakeDependencies::FakeDependencies() {
    runner->reply(statusArguments(), FakeRunner::ok(statusJson(true)));
    runner->reply(accountMeArguments(), FakeRunner::ok(R"({"id":"u1","team_id":"team-1"})"));
    runner->reply(profileListArguments(), FakeRunner::ok(R"([{"name":"default","active":true}])"));
    runner->respondPrefix(CLICommands::configGet({}).first(2),
                          [values = config](const QStringList& arguments) -> Result<QByteArray> {
                              const QString key = arguments.value(2);
                              const QJsonObject object{{key, values->value(key)}};
                              return QJsonDocument(object).toJson(QJsonDocument::Compact);
                          });
    runner->respondPrefix(CLICommands::configSet({}, {}).first(2),
                          [values = config](const QStringList& arguments) -> Result<QByteArray> {
                              values->insert(arguments.value(2), arguments.value(3));
                              return QByteArray();
                          });
}

FakeDependencies::~FakeDependencies() {
    releaseAll();
}

void FakeDependencies::releaseAll() {
    // Waking a coroutine can start another wait; a few rounds settle every chain.
    for (int round = 0; round < 8; ++round) {
        runner->openAllGates();
        if (source)
            source->openGate();
        clock->releaseAll();
    }
}

FakeStatusSource& FakeDependencies::useFakeSource() {
    if (!source)
        source = std::make_shared<FakeStatusSource>();
    return *source;
}

StatusStoreDependencies FakeDependencies::make() const {
    StatusStoreDependencies deps;
    deps.source = source;
    deps.interval = interval;
    deps.cliRunner = runner;
    deps.defaults = defaults;
    deps.daemonStateProvider = [state = daemon] { return *state; };
    deps.loginItem = loginItem;
    deps.keepAwake = keepAwake;
    deps.browser = browser;
    deps.clock = clock;
    deps.appLocation = [where = location] { return *where; };
    deps.webOrigin = webOrigin;
    return deps;
}

QByteArray statusJson(std::optional<bool> authenticated) {
    QByteArray auth = authenticated ? (*authenticated ? "true" : "false") : "null";
    return R"({"cli":{"current_version":"1.4.0"},"authenticated":)" + auth +
           R"(,"nodes":{"online":1,"total":2},"notifications":{"unread":3}})";
}

QStringList statusArguments() {
    return CLICommands::status();
}

QStringList profileListArguments() {
    return CLICommands::profileList();
}

QStringList accountMeArguments() {
    return CLICommands::me();
}

} // namespace tovi::testing
