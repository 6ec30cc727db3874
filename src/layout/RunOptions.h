#pragma once
// The options of a layout and check run, as the dialog "Select checking
// operations and layout properties" shows them and the command line gives
// them: which checks run, whether the diagram is laid out, and how.
//
// The controls depend on each other (no layout without the cycle check, no
// groups beside the coordinate order, ...). SetRunOption is the one place
// these rules live: it sets a control and cascades, the way clicking the
// control does, so the dialog, its presets and the command line agree.
#include "core/Protocol.h"
#include <QString>
#include <QTime>
#include <functional>
#include <optional>

namespace belvanto {

class Session;

// The check boxes and the mode, by their role.
enum class RunControl {
    CoordinatesPresent,   // CoordinatesPresentCheck
    LaterBelow,           // YoungerAboveOlderCheck
    ContemporaryHeight,   // ContemporaryZCheck
    EqualHeight,          // EqualZCheck
    CoordinateOrder,      // CoordsHorizCheck
    YearsMatch,           // CheckAboveYear
    ContemporaryYears,    // CheckContempYear
    EqualYears,           // CheckEqualYear
    Components,           // ConnectedCheck
    Cycles,               // CycleCheck
    DeleteRedundant,      // RedundantDelete
    Periods,              // PeriodCheck
    Phases,               // PhaseCheck
    Groups,               // ShowGroupsCheck
    StrictGroups,         // StrictGroupCheck
    Layout                // CheckOrLayoutSelection: on = "Harris diagram layout", off = "Check only"
};

inline constexpr int kRunControlCount = int(RunControl::Layout) + 1;

// "Number of colours": 2, 16, 256, 65536, 16 million.
enum class ColourDepth { BlackWhite = 0, Colours16, Colours256, Colours65536, Colours16M };
// Bits per pixel of the diagram bitmap: 1, 4, 8, 16, 24.
int BitsPerPixel(ColourDepth depth);

inline const QString kDefaultSeedText = QStringLiteral("932216981");

struct RunOptions {
    bool on[kRunControlCount] = {};
    // The texts of the edits beside the height and year checks.
    QString laterBelow, contemporaryHeight, equalHeight;
    QString contemporaryYears, equalYears;
    QString seed = kDefaultSeedText;
    ReportMode report = ReportMode::Detailed;
    ColourDepth colours = ColourDepth::BlackWhite;

    RunOptions();   // the dialog's defaults: cycles, deletion and the layout on
    bool operator[](RunControl c) const { return on[int(c)]; }
    bool operator==(const RunOptions&) const = default;
};

// Sets a control as clicking it does, and every control the rules change in
// turn. Setting a control to the value it has changes nothing.
void SetRunOption(RunOptions& options, RunControl control, bool value);

// What the project suggests, set through the rules: "Show groups" when there
// is a group; the period check when every unit has a period, else the phase
// check when every unit has a phase; 65536 colours when a table of at most
// 1000 units has a unit with a colour other than white.
RunOptions PresetRunOptions(Session& session);

// The edits' checks, on leaving a field and again on OK. Empty text is
// valid (the check box goes off). Nothing when the text is valid, else the
// message; a beep goes with the conversion messages.
struct FieldProblem {
    QString text;
    bool beep = false;
};
std::optional<FieldProblem> HeightProblem(const QString& text);
std::optional<FieldProblem> YearProblem(const QString& text);
std::optional<FieldProblem> SeedProblem(const QString& text);

// The seed text as the generator takes it: modulo 2^32.
quint32 SeedOf(const QString& text);

// "Shuffle": the seed the time of day gives, as the seed edit shows it.
QString ShuffledSeed(const QTime& time);

} // namespace belvanto
