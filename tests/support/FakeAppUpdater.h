#pragma once

#include "updater/AppUpdater.h"

#include <QStringList>

namespace tovi::test {

// Records every call in order, so tests can check the sequence the switch uses; left
// alone, it never checks anything. Only for tests that link the ui library.
class FakeAppUpdater : public AppUpdater {
public:
    bool automaticallyChecksForUpdates() const override { return m_checks; }
    void setAutomaticallyChecksForUpdates(bool value) override {
        log << QStringLiteral("checks=%1").arg(value);
        m_checks = value;
    }
    bool automaticallyDownloadsUpdates() const override { return m_downloads; }
    void setAutomaticallyDownloadsUpdates(bool value) override {
        log << QStringLiteral("downloads=%1").arg(value);
        m_downloads = value;
    }
    void setUpdateCheckInterval(double seconds) override { interval = seconds; }
    bool canCheckForUpdates() const override { return m_canCheck; }
    bool hasUpdateFeed() const override { return m_hasFeed; }
    void checkForUpdates() override { ++checks; }

    void setCanCheck(bool value) {
        m_canCheck = value;
        Q_EMIT canCheckForUpdatesChanged(value);
    }

    QStringList log;
    int checks = 0;
    double interval = 0;
    bool m_checks = false;
    bool m_downloads = false;
    bool m_canCheck = false;
    bool m_hasFeed = true;
};

} // namespace tovi::test
