#pragma once

#include <QList>
#include <QString>

#include <compare>

namespace tovi {

// A release version as feeds and builds write it: dotted numbers ("1.10.2"), optionally
// followed by a textual suffix ("1.2.0-beta1"). Components compare as numbers, so 1.10
// is newer than 1.9, and a missing component counts as 0 (1.2 equals 1.2.0). At equal
// numbers a pre-release suffix ranks below the plain release, and two suffixes compare
// as text.
class Version {
public:
    Version() = default;
    explicit Version(const QString& text);

    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }

    std::strong_ordering operator<=>(const Version& other) const;
    bool operator==(const Version& other) const { return (*this <=> other) == 0; }

private:
    QString m_text;
    QList<quint64> m_numbers;
    QString m_suffix;
};

// A release as it is compared: the user-visible version first, the build number only to
// tell apart two builds of the same version.
struct ReleaseVersion {
    Version version;
    Version build;

    std::strong_ordering operator<=>(const ReleaseVersion& other) const;
    bool operator==(const ReleaseVersion& other) const { return (*this <=> other) == 0; }
};

} // namespace tovi
