#include "app/TerminationSignals.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <csignal>

using tovi::TerminationSignals;

// A real signal to this very process: without a working handler the test run dies.
TEST(TerminationSignals, EachStopSignalArrivesOnceAndTheHandlersLeaveWithTheirOwner) {
    {
        TerminationSignals stops;
        ASSERT_TRUE(stops.isActive());
        QSignalSpy received(&stops, &TerminationSignals::received);
        for (int number : {SIGTERM, SIGINT, SIGHUP}) {
            ASSERT_EQ(::raise(number), 0);
            ASSERT_TRUE(received.wait(5000)) << number;
            EXPECT_EQ(received.size(), 1);
            EXPECT_EQ(received.takeFirst().at(0).toInt(), number);
        }
        TerminationSignals second; // cannot steal the handlers from the first
        EXPECT_FALSE(second.isActive());
    }
    struct sigaction current {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
    TerminationSignals again; // a new owner takes them again
    EXPECT_TRUE(again.isActive());
}
