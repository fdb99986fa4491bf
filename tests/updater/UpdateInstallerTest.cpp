#include "updater/UpdateInstaller.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using tovi::UpdateInstaller;

namespace {

// Writes the file and hands back its path, so a test can name and create it in one go.
QString write(const QString& path, const QByteArray& content, QFileDevice::Permissions permissions) {
    tovi::test::writeFile(path, content, permissions);
    return path;
}

mode_t mode(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

const QFileDevice::Permissions userRw = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

} // namespace

TEST(UpdateInstaller, SwapsTheAppImageForTheVerifiedFileInOneRename) {
    QTemporaryDir dir;
    const QByteArray newImage = QByteArray("\x7f"
                                           "ELF") +
                                QByteArray(2 * 1024 * 1024, 'n');
    const QString appImage = write(dir.filePath(QStringLiteral("Tovi.AppImage")),
                                   "\x7f"
                                   "ELFold",
                                   userRw | QFileDevice::ExeOwner);
    const QString download = write(dir.filePath(QStringLiteral("download.AppImage")), newImage, userRw);
    // Reached through a link, as launchers often do: the file behind it is replaced.
    const QString link = dir.filePath(QStringLiteral("tovi"));
    ASSERT_TRUE(QFile::link(appImage, link));

    ASSERT_TRUE(UpdateInstaller::canReplace(link));
    const auto installed = UpdateInstaller::replaceAppImage(download, link);
    ASSERT_TRUE(installed.ok()) << installed.error().description().toStdString();
    EXPECT_EQ(tovi::test::readFile(appImage), newImage);
    EXPECT_EQ(mode(appImage), mode_t(0755));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    // Nothing staged is left behind next to it.
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    left.sort();
    EXPECT_EQ(left.join(u' '), QStringLiteral("Tovi.AppImage download.AppImage tovi"));
}

TEST(UpdateInstaller, NeverPutsAnythingButAnExecutableInPlaceAndNeverWhereItMayNot) {
    QTemporaryDir dir;
    const QString appImage = write(dir.filePath(QStringLiteral("Tovi.AppImage")),
                                   "\x7f"
                                   "ELFold",
                                   userRw | QFileDevice::ExeOwner);
    const QString deb = write(dir.filePath(QStringLiteral("tovi.deb")), "!<arch>\ndebian-binary", userRw);
    const auto refused = UpdateInstaller::replaceAppImage(deb, appImage);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(tovi::test::readFile(appImage), QByteArray("\x7f"
                                                         "ELFold"));

    const QString elf = write(dir.filePath(QStringLiteral("new")),
                              "\x7f"
                              "ELFnew",
                              userRw);
    EXPECT_FALSE(UpdateInstaller::canReplace(QString()));
    EXPECT_FALSE(UpdateInstaller::canReplace(dir.filePath(QStringLiteral("missing.AppImage"))));
    EXPECT_FALSE(
        UpdateInstaller::replaceAppImage(elf, dir.filePath(QStringLiteral("missing.AppImage"))).ok());
    EXPECT_FALSE(UpdateInstaller::canReplace(dir.path()));

    // A read-only AppImage, or one in a folder this user cannot write, stays as it is.
    // (Permission bits do not bind root, so those cases only hold for a normal user.)
    const bool bound = ::geteuid() != 0;
    QFile::setPermissions(appImage, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (bound) {
        EXPECT_FALSE(UpdateInstaller::canReplace(appImage));
    }
    QFile::setPermissions(appImage, userRw | QFileDevice::ExeOwner);
    const QString sub = dir.filePath(QStringLiteral("locked"));
    QDir().mkpath(sub);
    const QString locked = write(sub + QStringLiteral("/Tovi.AppImage"),
                                 "\x7f"
                                 "ELFold",
                                 userRw);
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (bound) {
        EXPECT_FALSE(UpdateInstaller::canReplace(locked));
        EXPECT_FALSE(UpdateInstaller::replaceAppImage(elf, locked).ok());
        EXPECT_EQ(tovi::test::readFile(locked), QByteArray("\x7f"
                                                           "ELFold"));
    }
    QFile::setPermissions(sub, userRw | QFileDevice::ExeOwner);
    EXPECT_FALSE(UpdateInstaller::replaceAppImage(dir.filePath(QStringLiteral("gone")), appImage).ok());
    EXPECT_EQ(tovi::test::readFile(appImage), QByteArray("\x7f"
                                                         "ELFold"));
}
