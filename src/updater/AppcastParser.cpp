#include "updater/AppcastParser.h"

#include <QXmlStreamReader>

namespace tovi {

namespace {

const QString sparkleNs = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isSparkle(const QXmlStreamReader& xml, QLatin1String name) {
    return xml.namespaceUri() == sparkleNs && xml.name() == name;
}

bool isPlain(const QXmlStreamReader& xml, QLatin1String name) {
    return xml.namespaceUri().isEmpty() && xml.name() == name;
}

// Links end up in rich text and in the browser; only web addresses are worth showing.
QUrl webLink(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return {};
    const QString scheme = url.scheme().toLower();
    return scheme == u"https" || scheme == u"http" ? url : QUrl();
}

struct ItemReading {
    AppcastItem item;
    QString os;
};

void readEnclosure(QXmlStreamReader& xml, ItemReading& reading) {
    const QXmlStreamAttributes attributes = xml.attributes();
    AppcastItem& item = reading.item;
    item.enclosureUrl = QUrl(attributes.value(QLatin1String("url")).toString().trimmed(), QUrl::StrictMode);
    bool ok = false;
    const qint64 length = attributes.value(QLatin1String("length")).toLongLong(&ok);
    item.enclosureLength = ok && length > 0 ? length : -1;
    item.enclosureType = attributes.value(QLatin1String("type")).toString();
    item.edSignature =
        attributes.value(sparkleNs, QLatin1String("edSignature")).toString().trimmed().toLatin1();
    // Older feeds carry the versions on the enclosure instead of in elements.
    if (item.build.isEmpty())
        item.build = attributes.value(sparkleNs, QLatin1String("version")).toString().trimmed();
    if (item.shortVersion.isEmpty())
        item.shortVersion =
            attributes.value(sparkleNs, QLatin1String("shortVersionString")).toString().trimmed();
    if (reading.os.isEmpty())
        reading.os = attributes.value(sparkleNs, QLatin1String("os")).toString().trimmed();
    xml.skipCurrentElement();
}

ItemReading readItem(QXmlStreamReader& xml) {
    ItemReading reading;
    AppcastItem& item = reading.item;
    while (xml.readNextStartElement()) {
        if (isPlain(xml, QLatin1String("title"))) {
            item.title = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isPlain(xml, QLatin1String("enclosure"))) {
            readEnclosure(xml, reading);
        } else if (isSparkle(xml, QLatin1String("version"))) {
            item.build = xml.readElementText().trimmed();
        } else if (isSparkle(xml, QLatin1String("shortVersionString"))) {
            item.shortVersion = xml.readElementText().trimmed();
        } else if (isSparkle(xml, QLatin1String("releaseNotesLink"))) {
            item.releaseNotesLink = webLink(xml.readElementText());
        } else if (isSparkle(xml, QLatin1String("os"))) {
            reading.os = xml.readElementText().trimmed();
        } else {
            xml.skipCurrentElement();
        }
    }
    return reading;
}

bool offerable(const ItemReading& reading) {
    const AppcastItem& item = reading.item;
    if (item.build.isEmpty() || !item.enclosureUrl.isValid() || item.enclosureUrl.host().isEmpty())
        return false;
    return reading.os.isEmpty() || reading.os.compare(QLatin1String("linux"), Qt::CaseInsensitive) == 0;
}

} // namespace

Result<QList<AppcastItem>> AppcastParser::parse(const QByteArray& document) {
    QXmlStreamReader xml(document);
    QList<AppcastItem> items;
    if (!xml.readNextStartElement() || !isPlain(xml, QLatin1String("rss"))) {
        if (xml.hasError())
            return Error::decode(tr("The update feed is not valid XML (line %1: %2).")
                                     .arg(xml.lineNumber())
                                     .arg(xml.errorString()));
        return Error::decode(tr("The update feed is not an RSS document."));
    }
    bool sawChannel = false;
    while (xml.readNextStartElement()) {
        if (!isPlain(xml, QLatin1String("channel"))) {
            xml.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (xml.readNextStartElement()) {
            if (isPlain(xml, QLatin1String("item"))) {
                const ItemReading reading = readItem(xml);
                if (offerable(reading))
                    items.append(reading.item);
            } else {
                xml.skipCurrentElement();
            }
        }
    }
    // Read to the end: a truncated or trailing-garbage feed must not look like a short one.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return Error::decode(tr("The update feed is not valid XML (line %1: %2).")
                                 .arg(xml.lineNumber())
                                 .arg(xml.errorString()));
    if (!sawChannel)
        return Error::decode(tr("The update feed has no channel."));
    return items;
}

std::optional<AppcastItem> AppcastParser::newest(const QList<AppcastItem>& items) {
    std::optional<AppcastItem> best;
    for (const AppcastItem& item : items) {
        if (!best || item.releaseVersion() > best->releaseVersion())
            best = item;
    }
    return best;
}

} // namespace tovi
