// Takes the instance lock in a process of its own, prints the outcome, and holds a lock it got
// until its standard input closes or it is killed.
#include "platform/InstanceLock.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    tovi::InstanceLock lock(QString::fromLocal8Bit(argv[1]));
    const auto outcome = lock.acquire();
    std::puts(outcome == tovi::InstanceLock::Outcome::acquired            ? "acquired"
              : outcome == tovi::InstanceLock::Outcome::heldByAnotherCopy ? "heldByAnotherCopy"
                                                                          : "acquiredUnguarded");
    std::fflush(stdout);
    char byte;
    while (outcome != tovi::InstanceLock::Outcome::heldByAnotherCopy && ::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}
