#include "platform/XdgAutostartLoginItem.h"

#include "BuildConfig.h"
#include "bridge/AppLocationProbe.h"
#include "bridge/SmallFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace tovi {

namespace {

QString autostartDir(const QString& configDir) {
    return configDir + QStringLiteral("/autostart");
}

// The desktop-entry escapes for a string value, applied after Exec quoting.
QString escapeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString reasonOf(const std::error_code& ec) {
    return QString::fromLocal8Bit(ec.message());
}

Error writeFailure(const QString& path, const QString& reason) {
    return Error::platform(
        QCoreApplication::translate("XdgAutostartLoginItem", "Couldn't write %1: %2").arg(path, reason));
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem()
    : XdgAutostartLoginItem(defaultConfigDir(), defaultExecutablePath()) {}

XdgAutostartLoginItem::XdgAutostartLoginItem(QString configDir, QString executablePath)
    : m_configDir(std::move(configDir))
    , m_executablePath(std::move(executablePath)) {}

QString XdgAutostartLoginItem::defaultConfigDir() {
    // Honours $XDG_CONFIG_HOME, falling back to ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString XdgAutostartLoginItem::defaultExecutablePath() {
    // Inside an AppImage the running binary lives in a temporary mount that is gone at the
    // next login; the image file itself is what must be started.
    const QString appImage = runningAppImage();
    if (!appImage.isEmpty())
        return appImage;
    return QCoreApplication::applicationFilePath();
}

QString XdgAutostartLoginItem::entryPath() const {
    return autostartDir(m_configDir) + u'/' + QLatin1String(build::appId) + QStringLiteral(".desktop");
}

QString XdgAutostartLoginItem::quoteExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString escapedPercent = argument;
    escapedPercent.replace(u'%', QStringLiteral("%%"));

    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument) {
        if (reserved.contains(c)) {
            needsQuotes = true;
            break;
        }
    }
    if (!needsQuotes)
        return escapedPercent;

    QString quoted = QStringLiteral("\"");
    for (const QChar c : escapedPercent) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

QString XdgAutostartLoginItem::execLine(const QString& executable) {
    // GLib looks for the program of an Exec line before it turns "%%" back into "%", so a
    // program path with "%" in it is refused and the entry never starts. A shell that
    // executes its first argument starts it instead; the path is that argument, never code.
    if (executable.contains(u'%'))
        return QStringLiteral("sh -c ") + quoteExecArgument(QStringLiteral("exec \"$0\"")) + u' ' +
               quoteExecArgument(executable);
    return quoteExecArgument(executable);
}

QByteArray XdgAutostartLoginItem::entryContents() const {
    const QString appId = QLatin1String(build::appId);
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=Tovi\n");
    text += QStringLiteral("Exec=") + escapeValue(execLine(m_executablePath)) + u'\n';
    text += QStringLiteral("Icon=") + appId + u'\n';
    text += QStringLiteral("X-GNOME-Autostart-Delay=3\n");
    text += QStringLiteral("X-KDE-autostart-after=panel\n");
    text += QStringLiteral("X-LXQt-Need-Tray=true\n");
    text += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

bool XdgAutostartLoginItem::isEnabled() const {
    // An entry is a few lines; a FIFO there would block the start-up for good.
    const SmallFileReading entry = readSmallFile(entryPath(), qsizetype(64) << 10);
    if (entry.outcome == SmallFileReading::Outcome::Refused)
        m_notice = QCoreApplication::translate("XdgAutostartLoginItem",
                                               "Tovi's autostart entry %1 can't be read (%2); Open at Login "
                                               "shows as off.")
                       .arg(entryPath(), entry.reason);
    if (entry.outcome != SmallFileReading::Outcome::Read)
        return false;

    bool inMainGroup = false;
    bool hidden = false;
    bool autostartDisabled = false;
    for (const QByteArray& raw : entry.bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
        else if (key == QLatin1String("X-GNOME-Autostart-enabled"))
            autostartDisabled = value == QLatin1String("false");
    }
    return !hidden && !autostartDisabled;
}

Status XdgAutostartLoginItem::setEnabled(bool enabled) {
    const QString path = entryPath();
    if (!enabled) {
        std::error_code ec;
        std::filesystem::remove(std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
        // A file where the autostart directory would be means there is no entry either:
        // the login item is off, which is what was asked.
        if (ec == std::errc::not_a_directory)
            ec.clear();
        if (ec)
            return Error::platform(
                QCoreApplication::translate("XdgAutostartLoginItem", "Couldn't remove %1: %2")
                    .arg(path, reasonOf(ec)));
        return success();
    }

    std::error_code ec;
    std::filesystem::create_directories(
        std::filesystem::path(QFile::encodeName(autostartDir(m_configDir)).toStdString()), ec);
    if (ec)
        return writeFailure(path, reasonOf(ec));

    if (const std::optional<QString> refusal = refusalToWrite(path))
        return writeFailure(path, *refusal);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return writeFailure(path, file.errorString());
    const QByteArray contents = entryContents();
    if (file.write(contents) != contents.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return writeFailure(path, reason);
    }
    if (!file.commit())
        return writeFailure(path, file.errorString());
    return success();
}

} // namespace tovi
