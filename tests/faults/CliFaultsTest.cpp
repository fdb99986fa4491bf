// What the window shows when the tovi CLI is missing, cannot start, fails, dies or prints
// something other than a status snapshot, and that the last good snapshot survives it.

#include "FaultSandbox.h"

#include "ui/FooterViewModel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>

#include <gtest/gtest.h>

#include <cstring>

#include <errno.h>

namespace tovi::faults {
namespace {

using Arrange = std::function<void(FaultSandbox&)>;

struct CliFault {
    const char* name;
    Arrange arrange;
    // Exactly what lastError and the footer's one banner say; empty when the run succeeds.
    QString error;
    // Instead of `error`, for texts worded by the system: the text must contain this.
    QString errorContaining = {};
    // Non-empty: a successful but partial snapshot, with this tooltip on the warning.
    QString partialTooltip = {};
};

Arrange scenario(const char* json) {
    return [json](FaultSandbox& box) { box.setScenario(QByteArray(json)); };
}

Arrange script(const char* body) {
    return [body](FaultSandbox& box) { box.installScriptCli(QByteArray(body)); };
}

Arrange bundled(QByteArray contents, QFileDevice::Permissions permissions) {
    return [contents, permissions](FaultSandbox& box) {
        box.removeCli();
        writeFile(box.bundledCliPath(), contents, permissions);
    };
}

constexpr QFileDevice::Permissions kReadWrite = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

const QList<CliFault>& cliFaults() {
    static const QList<CliFault> rows = {
        {"CLI missing", [](FaultSandbox& box) { box.removeCli(); }, u"Couldn't find the tovi CLI."_qs},
        // Beside the application, a "tovi" is taken without an execute test, so the system
        // is the one that refuses it and its words are what the user reads.
        {"CLI without execute permission",
         bundled("#!/bin/bash\necho '{}'\n", kReadWrite),
         {},
         systemText(EACCES)},
        {"exit 3 with standard error",
         scenario(R"({"rules":[{"match":["internal","status"],"exit":3,"stderr":"boom\n"}]})"),
         u"tovi exited with code 3: boom"_qs},
        {"killed by SIGKILL", scenario(R"({"rules":[{"match":["internal","status"],"signal":9}]})"),
         u"tovi exited with code 9"_qs},
        {"torn JSON document", script(R"(printf '{"authenticated": true, "cli": {"current_version": "1.2')"),
         u"tovi's output isn't valid JSON (unterminated string at offset 56)."_qs},
        {"no output at all", scenario(R"({"rules":[{"match":["internal","status"],"output":"empty"}]})"),
         u"tovi printed no output where JSON was expected."_qs},
        {"a field of the wrong type", script(R"(echo '{"authenticated": "yes"}')"),
         u"authenticated: expected true or false, found a string"_qs},
        {"warnings on standard error with exit 0",
         scenario(R"({"rules":[{"match":["internal","status"],"stderr":"warning: slow network\n"}]})"),
         {}},
        {"partial snapshot",
         scenario(
             R"({"rules":[{"match":["internal","status"],"output":"partial","sections":["spaces","usage"]}]})"),
         {},
         {},
         u"Unavailable sections: spaces, usage."_qs},
    };
    return rows;
}

// Each fault comes after a good pass, as it would in a running application, and goes away
// again; the window must show the fault's own text and then nothing.
TEST(CliFaults, EachFaultShowsItsOwnTextKeepsTheLastGoodSnapshotAndClearsOnRecovery) {
    for (const CliFault& row : cliFaults()) {
        SCOPED_TRACE(row.name);
        FaultSandbox box;
        ASSERT_TRUE(box.isValid());
        std::unique_ptr<StatusStore> store = box.makeStore();
        std::unique_ptr<FaultSandbox::Window> window = box.makeWindow(*store);
        FooterViewModel& footer = *window->menu->footer();
        int snapshots = 0;
        QObject::connect(store.get(), &StatusStore::statusChanged, [&snapshots] { ++snapshots; });

        QCoro::waitFor(store->refresh());
        ASSERT_EQ(store->lastError(), std::nullopt) << store->lastError()->toStdString();
        ASSERT_TRUE(store->status().has_value());
        ASSERT_EQ(snapshots, 1);
        const std::optional<QDateTime> goodTime = store->lastUpdated();
        const std::optional<QString> goodVersion =
            store->status()->cli ? store->status()->cli->currentVersion : std::nullopt;
        ASSERT_TRUE(goodVersion.has_value());

        row.arrange(box);
        QCoro::waitFor(store->refresh());

        const bool fails = !row.error.isEmpty() || !row.errorContaining.isEmpty();
        if (fails) {
            ASSERT_TRUE(store->lastError().has_value());
            const QString shown = *store->lastError();
            if (!row.error.isEmpty())
                EXPECT_EQ(shown, row.error);
            else
                EXPECT_TRUE(shown.contains(row.errorContaining)) << shown.toStdString();
            // The window goes on showing the previous snapshot beside the error.
            EXPECT_EQ(snapshots, 1);
            EXPECT_EQ(store->lastUpdated(), goodTime);
            ASSERT_TRUE(store->status() && store->status()->cli);
            EXPECT_EQ(store->status()->cli->currentVersion, goodVersion);
            EXPECT_EQ(footer.cliVersion(), *goodVersion);
            const QList<std::pair<QString, bool>> expected{{shown, false}};
            EXPECT_EQ(bannersOf(footer.banners()), expected);
            EXPECT_FALSE(footer.showPartialWarning());
        } else {
            EXPECT_EQ(store->lastError(), std::nullopt) << store->lastError()->toStdString();
            EXPECT_EQ(snapshots, 2);
            EXPECT_TRUE(bannersOf(footer.banners()).isEmpty());
            EXPECT_EQ(footer.showPartialWarning(), !row.partialTooltip.isEmpty());
            EXPECT_EQ(footer.partialTooltip(), row.partialTooltip);
        }
        EXPECT_FALSE(store->isRefreshing());

        box.clearScenario();
        box.installSimCli();
        QCoro::waitFor(store->refresh());
        EXPECT_EQ(store->lastError(), std::nullopt);
        EXPECT_TRUE(bannersOf(footer.banners()).isEmpty());
        EXPECT_FALSE(footer.showPartialWarning());
        EXPECT_EQ(footer.cliVersion(), *goodVersion);
    }
}

struct HugeOutput {
    const char* name;
    Arrange arrange;
    bool decodes;
    QString errorStart = {};
};

// 50 MiB from the CLI either decodes or fails with a message of ordinary length, more than
// 64 MiB is cut off, and the memory it took is given back once the run is over.
TEST(CliFaults, LargeOutputDecodesOrFailsCleanlyAndGivesItsMemoryBack) {
    const QList<HugeOutput> rows = {
        {"a valid snapshot padded to 50 MiB",
         scenario(R"({"rules":[{"match":["internal","status"],"output":"huge","huge_mib":50}]})"), true},
        {"50 MiB that are not JSON", script("head -c 52428800 /dev/zero | tr '\\0' 'x'"), false,
         u"tovi's output isn't valid JSON ("_qs},
        {"a valid snapshot padded to 65 MiB",
         scenario(R"({"rules":[{"match":["internal","status"],"output":"huge","huge_mib":65}]})"), false,
         u"tovi printed more than 64 MiB"_qs},
        {"50 MiB on both streams",
         script("head -c 52428800 /dev/zero | tr '\\0' 'e' >&2 & head -c 52428800 /dev/zero | tr '\\0' ' '; "
                "wait"),
         false, u"tovi printed no output where JSON was expected."_qs},
    };
    for (const HugeOutput& row : rows) {
        SCOPED_TRACE(row.name);
        FaultSandbox box;
        ASSERT_TRUE(box.isValid());
        std::unique_ptr<StatusStore> store = box.makeStore();
        std::unique_ptr<FaultSandbox::Window> window = box.makeWindow(*store);

        // One ordinary pass first, so that whatever a first run allocates for good is in the
        // baseline.
        QCoro::waitFor(store->refresh());
        ASSERT_EQ(store->lastError(), std::nullopt);
        const qint64 before = liveHeapBytes();

        row.arrange(box);
        QCoro::waitFor(store->refresh());
        if (row.decodes) {
            EXPECT_EQ(store->lastError(), std::nullopt) << store->lastError()->left(200).toStdString();
        } else {
            ASSERT_TRUE(store->lastError().has_value());
            EXPECT_TRUE(store->lastError()->startsWith(row.errorStart))
                << store->lastError()->left(200).toStdString();
            // A banner is one or two lines of text, never the CLI's whole output.
            EXPECT_LT(store->lastError()->size(), 2048);
        }
        ASSERT_TRUE(store->status().has_value());

        // Objects the run let go of are deleted by the event loop, as in the application.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const qint64 after = liveHeapBytes();
        EXPECT_LT(after - before, qint64(8) << 20) << "before " << before << ", after " << after;
    }
}

} // namespace
} // namespace tovi::faults
