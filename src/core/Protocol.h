#pragma once
// The check protocol: the findings of a check run, the center-year estimation
// or a test, line by line, in the report mode the user chose.
#include <QString>
#include <QStringList>

namespace belvanto {

enum class ReportMode { Detailed, Summary };

// "Detailed report" / "Short summary only", as the choice is offered.
QString reportModeCaption(ReportMode mode);

class Protocol {
public:
    explicit Protocol(ReportMode mode = ReportMode::Detailed) : mode_(mode) {}

    ReportMode mode() const { return mode_; }
    void setMode(ReportMode mode) { mode_ = mode; }
    bool detailed() const { return mode_ == ReportMode::Detailed; }

    void add(const QString& line) { lines_.append(line); }
    // A check's lines begin with an empty line in a detailed protocol that
    // already holds the lines of another.
    void separate()
    {
        if (detailed() && !isEmpty()) add(QString());
    }
    const QStringList& lines() const { return lines_; }
    bool isEmpty() const { return lines_.isEmpty(); }
    // Empties the protocol; the report mode is the user's choice and stays.
    void clear() { lines_.clear(); }

private:
    ReportMode mode_;
    QStringList lines_;
};

} // namespace belvanto
