// Writes the pseudo-locale's translation file from lupdate's template: every text with its
// letters accented and about 40 % longer, so that a window shown in it gives away any text
// that skipped translation (plain ASCII letters) and any label with no room to grow.
//
// tovi-pseudo-locale TEMPLATE.ts ENGLISH.ts OUTPUT.ts
//
// Counted texts take their singular and plural from the English file; one missing there
// stops the build, since English would show the raw "(s)" source.

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cstdio>

namespace {

QString accented(QChar c) {
    static const QString lower = QStringLiteral("åƀçðéƒĝĥîĵķļɱñöþǫŕšţûṽŵẋýž");
    static const QString upper = QStringLiteral("ÅƁÇÐÉƑĜĤÎĴĶĻṀÑÖÞǪŔŠŢÛṼŴẊÝŽ");
    if (c >= u'a' && c <= u'z')
        return lower.mid(c.unicode() - u'a', 1);
    if (c >= u'A' && c <= u'Z')
        return upper.mid(c.unicode() - u'A', 1);
    return QString(c);
}

// Placeholders (%1, %L2, %n, %Ln) keep their ASCII; the letter after a mnemonic marker (&x)
// is accented like the rest, so the shortcut still exists.
QString pseudo(const QString& text) {
    QString out;
    int letters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'%') {
            qsizetype j = i + 1;
            if (j < text.size() && text.at(j) == u'L')
                ++j;
            if (j < text.size() && (text.at(j) == u'n' || text.at(j).isDigit())) {
                while (j + 1 < text.size() && text.at(j).isDigit() && text.at(j + 1).isDigit())
                    ++j;
                out += text.mid(i, j - i + 1);
                i = j;
                continue;
            }
        }
        // Command-line options (--show, -h) are typed as they are, whatever the language.
        if (c == u'-' && (i == 0 || !text.at(i - 1).isLetterOrNumber()) && i + 1 < text.size() &&
            (text.at(i + 1) == u'-' || text.at(i + 1).isLetter())) {
            qsizetype j = i + 1;
            while (j < text.size() && (text.at(j) == u'-' || text.at(j).isLetter()))
                ++j;
            out += text.mid(i, j - i);
            i = j - 1;
            continue;
        }
        if (c.isLetter())
            ++letters;
        out += accented(c);
    }
    if (letters == 0)
        return text;
    // A line break that ends the text stays at its end, after the padding.
    qsizetype trailing = 0;
    while (trailing < out.size() && out.at(out.size() - 1 - trailing) == u'\n')
        ++trailing;
    const QString ending = out.right(trailing);
    out.chop(trailing);
    static const QString filler = QStringLiteral("ļöŕéɱ îþšûɱ ðöļöŕ šîţ åɱéţ çöñšéçţéţûŕ åðîþîšçîñĝ éļîţ ");
    const qsizetype extra = std::max<qsizetype>(2, (text.size() * 2 + 4) / 5) - 2;
    QString pad;
    while (pad.size() < extra)
        pad += filler;
    return u'[' + out + (extra > 0 ? u' ' + pad.left(extra - 1) : QString()) + u']' + ending;
}

struct Message {
    QString context;
    QString source;
    QString comment;
};

QString key(const Message& m) {
    return m.context + QChar(0) + m.source + QChar(0) + m.comment;
}

// The English numerus forms of each counted text.
bool readEnglish(const QString& path, QHash<QString, QStringList>& forms) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    Message m;
    QStringList current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == u"context")
                m.context.clear();
            else if (name == u"name")
                m.context = xml.readElementText();
            else if (name == u"message") {
                m.source.clear();
                m.comment.clear();
                current.clear();
            } else if (name == u"source")
                m.source = xml.readElementText();
            else if (name == u"comment")
                m.comment = xml.readElementText();
            else if (name == u"numerusform")
                current << xml.readElementText();
        } else if (xml.isEndElement() && xml.name() == u"message" && !current.isEmpty()) {
            forms.insert(key(m), current);
        }
    }
    return !xml.hasError();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fputs("usage: tovi-pseudo-locale TEMPLATE.ts ENGLISH.ts OUTPUT.ts\n", stderr);
        return 2;
    }
    QHash<QString, QStringList> english;
    if (!readEnglish(args.at(2), english)) {
        std::fprintf(stderr, "tovi-pseudo-locale: cannot read %s\n", qPrintable(args.at(2)));
        return 1;
    }
    QFile in(args.at(1));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "tovi-pseudo-locale: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QSaveFile out(args.at(3));
    if (!out.open(QIODevice::WriteOnly))
        return 1;

    QXmlStreamReader xml(&in);
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    Message m;
    bool numerus = false;
    int missing = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"TS") {
            writer.writeStartElement(QStringLiteral("TS"));
            writer.writeAttribute(QStringLiteral("version"),
                                  xml.attributes().value(QStringLiteral("version")).toString());
            writer.writeAttribute(QStringLiteral("language"), QStringLiteral("en_XA"));
            continue;
        }
        if (xml.isStartElement() && xml.name() == u"name") {
            m.context = xml.readElementText();
            writer.writeTextElement(QStringLiteral("name"), m.context);
            continue;
        }
        if (xml.isStartElement() && xml.name() == u"message") {
            numerus = xml.attributes().value(QStringLiteral("numerus")) == u"yes";
            m.source.clear();
            m.comment.clear();
        }
        if (xml.isStartElement() && (xml.name() == u"source" || xml.name() == u"comment")) {
            const bool isSource = xml.name() == u"source";
            const QString tag = xml.name().toString();
            const QString text = xml.readElementText();
            (isSource ? m.source : m.comment) = text;
            writer.writeTextElement(tag, text);
            continue;
        }
        if (xml.isStartElement() && xml.name() == u"translation") {
            xml.skipCurrentElement();
            writer.writeStartElement(QStringLiteral("translation"));
            if (numerus) {
                const QStringList forms = english.value(key(m));
                if (forms.size() != 2 || forms.contains(QString())) {
                    std::fprintf(stderr,
                                 "tovi-pseudo-locale: %s has no English singular and plural for \"%s\"\n",
                                 qPrintable(args.at(2)), qPrintable(m.source));
                    ++missing;
                }
                for (const QString& form : forms)
                    writer.writeTextElement(QStringLiteral("numerusform"), pseudo(form));
            } else {
                writer.writeCharacters(pseudo(m.source));
            }
            writer.writeEndElement();
            continue;
        }
        writer.writeCurrentToken(xml);
    }
    if (xml.hasError()) {
        std::fprintf(stderr, "tovi-pseudo-locale: %s: %s\n", qPrintable(args.at(1)),
                     qPrintable(xml.errorString()));
        return 1;
    }
    if (missing > 0)
        return 1;
    return out.commit() ? 0 : 1;
}
