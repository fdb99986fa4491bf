#include "app/CommandLine.h"

#include "BuildConfig.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace tovi {

namespace {

// Options QGuiApplication and QApplication take out of argv themselves, with whether each
// takes a value. Declared so that they are not refused; they stay out of the help.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},        {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},        {"qwindowtitle", true},  {"session", true},
    {"display", true},         {"geometry", true},           {"style", true},         {"stylesheet", true},
    {"qmljsdebugger", true},   {"reverse", false},           {"widgetcount", false},  {"nograb", false},
    {"dograb", false},
};

} // namespace

QStringList CommandLine::arguments(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's own options are single-dash words ("-platform xcb"); read every option that way.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption show(QStringLiteral("show"));
    const QCommandLineOption quit(QStringLiteral("quit"));
    parser.addOptions({help, version, show, quit});
    for (const QtOption& qt : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.m_action = Action::usageError;
        result.m_errorText = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.m_action = Action::usageError;
        result.m_errorText = tr("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
        return result;
    }
    if (parser.isSet(help)) {
        result.m_action = Action::help;
    } else if (parser.isSet(version)) {
        result.m_action = Action::version;
    } else if (parser.isSet(show) && parser.isSet(quit)) {
        result.m_action = Action::usageError;
        result.m_errorText = tr("--show and --quit cannot be used together.");
    } else if (parser.isSet(quit)) {
        result.m_action = Action::quit;
    } else if (parser.isSet(show)) {
        result.m_action = Action::show;
    }
    return result;
}

QString CommandLine::usageLine() {
    return tr("Usage: tovi-tray [--show | --quit] [--help] [--version]");
}

QString CommandLine::helpText() {
    return usageLine() + QStringLiteral("\n\n") +
           tr("Tovi in the system tray: your team, spaces and nodes from the tovi\n"
              "command-line tool. Without an option, starts Tovi, or brings the copy\n"
              "that already runs to the front.\n"
              "\n"
              "Options:\n"
              "  --show         Open the Tovi window, starting Tovi if it is not running.\n"
              "  --quit         Ask the running copy of Tovi to quit, and wait until it has.\n"
              "  -h, --help     Show this help and exit.\n"
              "  -v, --version  Show the version and build number and exit.\n"
              "\n"
              "Qt's own options, such as -platform and -display, are accepted too.\n"
              "\n"
              "Exit status: 0 on success (also for --quit when Tovi is not running),\n"
              "1 when the running copy could not be reached, 2 on a usage error.\n");
}

QString CommandLine::versionText() {
    return tr("tovi-tray %1 (build %2)\n")
        .arg(QString::fromUtf8(build::version), QString::fromUtf8(build::buildNumber));
}

} // namespace tovi
