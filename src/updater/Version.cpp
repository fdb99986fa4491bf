#include "updater/Version.h"

#include <limits>

namespace tovi {

Version::Version(const QString& text)
    : m_text(text.trimmed()) {
    // Leading "v" is common in tags ("v1.2.0") and carries no meaning.
    qsizetype i = 0;
    if (i < m_text.size() && (m_text[i] == u'v' || m_text[i] == u'V'))
        ++i;
    quint64 current = 0;
    bool inNumber = false;
    for (; i < m_text.size(); ++i) {
        const QChar c = m_text[i];
        if (c.isDigit() && c.unicode() < 128) {
            const quint64 digit = c.unicode() - u'0';
            // Absurdly long components saturate instead of wrapping around to a small number.
            if (current > (std::numeric_limits<quint64>::max() - digit) / 10)
                current = std::numeric_limits<quint64>::max();
            else
                current = current * 10 + digit;
            inNumber = true;
        } else if (c == u'.' && inNumber) {
            m_numbers.append(current);
            current = 0;
            inNumber = false;
        } else {
            break;
        }
    }
    if (inNumber)
        m_numbers.append(current);
    m_suffix = m_text.mid(i);
    // "1.2." leaves a dangling dot in front of the suffix; it is not part of it.
    while (m_suffix.startsWith(u'.') || m_suffix.startsWith(u'-') || m_suffix.startsWith(u'+'))
        m_suffix.remove(0, 1);
}

std::strong_ordering Version::operator<=>(const Version& other) const {
    const qsizetype count = std::max(m_numbers.size(), other.m_numbers.size());
    for (qsizetype i = 0; i < count; ++i) {
        const quint64 a = i < m_numbers.size() ? m_numbers[i] : 0;
        const quint64 b = i < other.m_numbers.size() ? other.m_numbers[i] : 0;
        if (a != b)
            return a <=> b;
    }
    if (m_suffix.isEmpty() != other.m_suffix.isEmpty())
        return m_suffix.isEmpty() ? std::strong_ordering::greater : std::strong_ordering::less;
    const int c = QString::compare(m_suffix, other.m_suffix, Qt::CaseInsensitive);
    return c <=> 0;
}

std::strong_ordering ReleaseVersion::operator<=>(const ReleaseVersion& other) const {
    if (const auto c = version <=> other.version; c != 0)
        return c;
    return build <=> other.build;
}

} // namespace tovi
