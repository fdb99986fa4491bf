#include "updater/UpdateInstaller.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using tovi::UpdateInstaller;
using tovi::test::kExecutable;
using tovi::test::kPlain;
using tovi::test::readFile;
using tovi::test::writeFile;

TEST(UpdateInstaller, SwapsInOnlyAnExecutableAndOnlyWhereItMay) {
    QTemporaryDir dir;
    const QString appImage = dir.filePath(QStringLiteral("Tovi.AppImage"));
    const QString download = dir.filePath(QStringLiteral("download.AppImage"));
    const QByteArray newImage = QByteArray("\x7f"
                                           "ELF") +
                                QByteArray(2 * 1024 * 1024, 'n');
    writeFile(appImage,
              "\x7f"
              "ELFold",
              kExecutable);
    writeFile(download, newImage);
    // Reached through a link, as launchers often do: the file behind it is replaced.
    const QString link = dir.filePath(QStringLiteral("tovi"));
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
    EXPECT_FALSE(UpdateInstaller::replaceAppImage(dir.filePath(QStringLiteral("gone")), appImage).ok());
    EXPECT_EQ(readFile(appImage), newImage);
    EXPECT_FALSE(UpdateInstaller::canReplace(QString()));
    EXPECT_FALSE(UpdateInstaller::canReplace(dir.filePath(QStringLiteral("missing.AppImage"))));
    EXPECT_FALSE(UpdateInstaller::canReplace(dir.path()));

    // A folder this user cannot write (permission bits do not bind root).
    if (::geteuid() != 0) {
        const QString locked = dir.filePath(QStringLiteral("locked/Tovi.AppImage"));
        writeFile(locked,
                  "\x7f"
                  "ELFold",
                  kPlain);
        QFile::setPermissions(dir.filePath(QStringLiteral("locked")),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        writeFile(download, newImage);
        EXPECT_FALSE(UpdateInstaller::canReplace(locked));
        EXPECT_FALSE(UpdateInstaller::replaceAppImage(download, locked).ok());
        QFile::setPermissions(dir.filePath(QStringLiteral("locked")), kExecutable);
    }
}
