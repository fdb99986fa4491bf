#include "UpdaterKit.h"
#include "support/TestUtil.h"
#include "updater/UpdateInstaller.h"
#include "updater/UpdateSignature.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tovi;
using namespace tovi::test;

TEST(UpdateSignature, AcceptsOnlyTheExactBytesSignedByTheMatchingKey) {
    TestKeys keys, otherKeys;
    const QByteArray data = QByteArray(100000, 'x') + "payload";
    const QByteArray signature = keys.signBase64(data);
    const QByteArray key = keys.publicKeyBase64();
    QByteArray flipped = data;
    flipped[5] = 'y';
    // The empty file is a message like any other; whitespace around base64 text does not matter.
    EXPECT_TRUE(UpdateSignature::verify(data, signature, key).ok());
    EXPECT_TRUE(UpdateSignature::verify(QByteArray(), keys.signBase64(QByteArray()), key).ok());
    EXPECT_TRUE(UpdateSignature::verify(data, " " + signature + "\n", key + "\n").ok());
    EXPECT_FALSE(UpdateSignature::verify(flipped, signature, key).ok());
    EXPECT_FALSE(UpdateSignature::verify(data, signature, otherKeys.publicKeyBase64()).ok());
    EXPECT_FALSE(UpdateSignature::verify(data, otherKeys.signBase64(data), key).ok());
    EXPECT_FALSE(UpdateSignature::verify(QByteArray(), signature, key).ok());

    // No key, a key of the wrong size, unsigned, a truncated signature: refused before reading.
    const std::pair<QByteArray, QByteArray> bad[] = {
        {signature, ""},
        {signature, QByteArray(16, 'A').toBase64()},
        {"", key},
        {QByteArray::fromBase64(signature).left(63).toBase64(), key},
    };
    for (const auto& [sig, k] : bad) {
        SCOPED_TRACE(sig.toStdString() + " / " + k.toStdString());
        const auto checked = UpdateSignature::checkInputs(sig, k);
        ASSERT_FALSE(checked.ok());
        EXPECT_FALSE(checked.error().description().isEmpty());
        EXPECT_FALSE(UpdateSignature::verify(data, sig, k).ok());
    }
    EXPECT_TRUE(UpdateSignature::checkInputs(signature, key).ok());
}

TEST(UpdateInstaller, SwapsInOnlyAnExecutableAndOnlyWhereItMay) {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
    const QString appImage = at("Tovi.AppImage"), download = at("download.AppImage"), link = at("tovi");
    const QByteArray oldImage("\x7f"
                              "ELFold");
    const QByteArray newImage = "\x7f"
                                "ELF" +
                                QByteArray(2 * 1024 * 1024, 'n');
    writeFile(appImage, oldImage, kExecutable);
    writeFile(download, newImage);
    // Reached through a link, as launchers often do: the file behind it is replaced.
    ASSERT_TRUE(QFile::link(appImage, link));
    ASSERT_TRUE(UpdateInstaller::canReplace(link));
    const auto installed = UpdateInstaller::replaceAppImage(download, link);
    ASSERT_TRUE(installed.ok()) << installed.error().description().toStdString();
    EXPECT_EQ(readFile(appImage), newImage);
    struct stat info {};
    ::stat(QFile::encodeName(appImage).constData(), &info);
    EXPECT_EQ(info.st_mode & 07777, mode_t(0755));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3)
        << "nothing staged left";

    // A package that is no executable, a file that is gone, or no AppImage at all: untouched.
    writeFile(download, "!<arch>\ndebian-binary");
    EXPECT_FALSE(UpdateInstaller::replaceAppImage(download, appImage).ok());
    EXPECT_FALSE(UpdateInstaller::replaceAppImage(at("gone"), appImage).ok());
    EXPECT_EQ(readFile(appImage), newImage);
    for (const QString& path : {QString(), at("missing.AppImage"), dir.path()})
        EXPECT_FALSE(UpdateInstaller::canReplace(path)) << path.toStdString();

    // A folder this user cannot write (permission bits do not bind root).
    if (::geteuid() != 0) {
        const QString locked = at("locked/Tovi.AppImage");
        writeFile(locked, oldImage, kPlain);
        QFile::setPermissions(at("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        writeFile(download, newImage);
        EXPECT_FALSE(UpdateInstaller::canReplace(locked));
        EXPECT_FALSE(UpdateInstaller::replaceAppImage(download, locked).ok());
        QFile::setPermissions(at("locked"), kExecutable);
    }
}
