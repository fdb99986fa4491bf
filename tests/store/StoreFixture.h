#pragma once

#include "store/CLICommands.h"
#include "store/StatusStore.h"
#include "support/FakeDependencies.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace tovi::test {

using namespace std::chrono_literals;
namespace cli = tovi::CLICommands;

// A store over fresh fakes; the fakes outlive it and wake whatever it left waiting.
class StoreTest : public ::testing::Test {
protected:
    StatusStore& makeStore() {
        m_store = std::make_unique<StatusStore>(fakes.make());
        return *m_store;
    }
    StatusStore& store() { return *m_store; }
    void destroyStore() { m_store.reset(); }
    void TearDown() override {
        m_store.reset();
        fakes.releaseAll();
    }
    static QString historyKey(const char* profile) {
        return u"profile.%1.memory_disabled"_qs.arg(QLatin1String(profile));
    }
    static QStringList get(const char* profile) { return cli::configGet(historyKey(profile)); }
    static QStringList set(const char* profile, const char* value) {
        return cli::configSet(historyKey(profile), QLatin1String(value));
    }
    double nowSeconds() const { return fakes.clock->now().toMSecsSinceEpoch() / 1000.0; }

    FakeDependencies fakes;

private:
    std::unique_ptr<StatusStore> m_store;
};

} // namespace tovi::test
