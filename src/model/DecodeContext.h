#pragma once

#include <QCborValue>
#include <QLatin1StringView>
#include <QString>

#include <vector>

namespace tovi::decoding {

// Carries the first failure of a decode and the path to it. The path is only built while
// a failure unwinds, innermost segment first, so a successful decode never pays for it.
class DecodeContext {
public:
    // Both return false so that a decoder can write `return ctx.typeMismatch(...)`.
    bool fail(QString message);
    bool typeMismatch(QLatin1StringView expected, const QCborValue& found);

    void enterField(QLatin1StringView name) { m_path.push_back({name, -1}); }
    void enterIndex(qsizetype index) { m_path.push_back({{}, index}); }

    // "spaces.nodes[0].spaces[2].name: expected a string, found null"
    QString errorText() const;

    // How a parsed JSON value reads in an error text: "null", "true", "a string", ...
    static QString describe(const QCborValue& value);

private:
    struct Segment {
        QLatin1StringView field; // empty for a list index
        qsizetype index;
    };

    QString m_message;
    std::vector<Segment> m_path; // innermost first
};

} // namespace tovi::decoding
