// Takes the instance lock in a process of its own, prints whether it got it, and holds it until
// killed or its standard input closes.
#include "platform/InstanceLock.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    tovi::InstanceLock lock(QString::fromLocal8Bit(argv[1]));
    std::puts(lock.acquire() == tovi::InstanceLock::Outcome::acquired ? "acquired" : "not acquired");
    std::fflush(stdout);
    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}
