// Takes the instance lock in a process of its own, prints the outcome, and (when it got
// the lock) holds it until its standard input closes or it is killed.
#include "platform/InstanceLock.h"

#include <QString>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    tovi::InstanceLock lock(QString::fromLocal8Bit(argv[1]));
    const tovi::InstanceLock::Outcome outcome = lock.acquire();
    switch (outcome) {
    case tovi::InstanceLock::Outcome::acquired:
        std::puts("acquired");
        break;
    case tovi::InstanceLock::Outcome::acquiredUnguarded:
        std::puts("acquiredUnguarded");
        break;
    case tovi::InstanceLock::Outcome::heldByAnotherCopy:
        std::puts("heldByAnotherCopy");
        return 0;
    }
    std::fflush(stdout);
    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}
