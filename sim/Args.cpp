#include "Args.h"

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

bool takesValue(const QString& name) {
    return name == u"stdout-format"_s || name == u"profile"_s || name == u"port"_s;
}

bool isBoolean(const QString& name) {
    return name == u"wait"_s || name == u"no-browser"_s;
}

} // namespace

Args Args::parse(const QStringList& words) {
    Args args;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& w = words.at(i);
        if (optionsEnded || !w.startsWith(u"--"_s) || w == u"--"_s) {
            if (w == u"--"_s && !optionsEnded) {
                optionsEnded = true;
                continue;
            }
            args.m_positional.append(w);
            continue;
        }
        const qsizetype eq = w.indexOf(u'=');
        const QString name = w.mid(2, eq < 0 ? -1 : eq - 2);
        if (takesValue(name)) {
            if (eq >= 0) {
                args.m_options.insert(name, w.mid(eq + 1));
            } else if (i + 1 < words.size()) {
                args.m_options.insert(name, words.at(++i));
            } else {
                args.m_error = u"option --"_s + name + u" needs a value"_s;
                return args;
            }
        } else if (isBoolean(name)) {
            const QString v = eq < 0 ? u"true"_s : w.mid(eq + 1).toLower();
            if (v != u"true"_s && v != u"false"_s) {
                args.m_error = u"option --"_s + name + u" takes true or false"_s;
                return args;
            }
            args.m_options.insert(name, v);
        } else {
            args.m_error = u"unknown option "_s + w;
            return args;
        }
    }
    const QString format = args.value(u"stdout-format"_s);
    if (args.has(u"stdout-format"_s) && format != u"json"_s && format != u"text"_s)
        args.m_error = u"--stdout-format takes json or text"_s;
    return args;
}

bool Args::flag(const QString& option, bool fallback) const {
    if (!m_options.contains(option))
        return fallback;
    return m_options.value(option) == u"true"_s;
}

} // namespace tovi::sim
