#pragma once

#include "store/StatusStore.h"
#include "support/FakeDependencies.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

namespace tovi::testing {

using tovi::test::awaitResult;
using tovi::test::ScopedEnv;

// A store over fresh fakes. The fakes outlive the store, and whatever the store left
// waiting is woken after it is gone.
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

    static QStringList args(std::initializer_list<const char*> parts) {
        QStringList list;
        for (const char* part : parts)
            list << QString::fromUtf8(part);
        return list;
    }

    double nowSeconds() const { return fakes.clock->now().toMSecsSinceEpoch() / 1000.0; }

    FakeDependencies fakes;

private:
    std::unique_ptr<StatusStore> m_store;
};

} // namespace tovi::testing
