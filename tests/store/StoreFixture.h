#pragma once

#include "store/StatusStore.h"
#include "support/FakeDependencies.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

namespace tovi::testing {

// QCoro::waitFor for results that have no default value.
template <typename T> T awaitResult(QCoro::Task<T> task) {
    std::optional<T> out;
    QCoro::waitFor([](QCoro::Task<T> inner, std::optional<T>& into) -> QCoro::Task<> {
        into.emplace(co_await std::move(inner));
    }(std::move(task), out));
    return std::move(*out);
}

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
