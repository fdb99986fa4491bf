#include "Cli.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList words = QCoreApplication::arguments();
    words.removeFirst();
    return tovi::sim::Cli::run(words);
}
