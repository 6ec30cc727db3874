#pragma once
// What the "Simulation Configuration" dialog asks for, the checks its OK
// makes and the seeds its "Shuff&le" button draws. The dialog and
// belvanto-cli both hand over the texts as typed, so that both refuse the
// same values with the same messages.
#include <QString>
#include <QTime>
#include <array>
#include <functional>

namespace belvanto {

class UserInterface;

inline const QString kSimulationHelpTopic = QStringLiteral("Simulating_test_data");
inline constexpr int kSeedCount = 7;

// The dialog's entries in the order OK checks them; None when all pass.
enum class SimField {
    ProjectFile, Excavation, Prefix,
    StratCt, ContempCt, VertUnitCt, HorUnitCt, AvgCubeCt, UprightFactor, PeriodCt,
    FirstYear, LastYear, IntervalLength,
    Random1, Random2, Random3, Random4, Random5, Random6, Random7,
    AvgCont,
    None
};
inline constexpr int kSimFieldCount = int(SimField::None);
inline SimField seedField(int i) { return SimField(int(SimField::Random1) + i); }

// The values a run uses, after the checks.
struct SimulationSettings {
    QString projectFile;
    QString excavation;
    QString prefix = QStringLiteral("F");
    int contexts = 500;        // N
    int contemporary = 0;      // chance of a contemporary block, in units of 1 / (meanContemporary * N)
    int vertical = 10;         // Y: columns of the grid
    int horizontal = 22;       // X: rows of the grid
    int meanCubes = 80;
    int upright = 1;           // weight of staying in place
    int periods = 7;
    int firstYear = 0;
    int lastYear = 500;
    int interval = 50;
    std::array<qint32, kSeedCount> seeds{932216981, 552256262, 162288016, 459876239,
                                         326905616, 402232989, 717742760};
    int meanContemporary = 4;

    int maxCubes() const { return 2 * meanCubes; }
};

// The texts of the dialog's edits, indexed by field; the defaults are the
// dialog's presets.
struct SimulationEntries {
    SimulationEntries();
    QString& operator[](SimField f) { return text[std::size_t(f)]; }
    const QString& operator[](SimField f) const { return text[std::size_t(f)]; }
    std::array<QString, kSimFieldCount> text;
    // The file was just chosen with "&Search...", whose dialog has already
    // asked about overwriting.
    bool acceptedBySearch = false;
};

// Context k of n, written with leading zeros to the number of digits of n.
QString ContextName(const QString& prefix, int k, int n);

// The largest mean size of a contemporary block the grid leaves room for.
int MaxMeanContemporary(int contexts, int cells);

// The checks of OK, in the dialog's order. The first failure is shown and
// its field returned; on success settings holds the values.
SimField ValidateSimulation(UserInterface& ui, const SimulationEntries& entries, SimulationSettings& settings);

// Seeds drawn from a time of day, each within +-999999998.
std::array<qint32, kSeedCount> ShuffleSeeds(QTime time);

// The clock behind "Shuff&le" and the coordinate jitter; tests fix it.
using TimeOfDay = std::function<QTime()>;
QTime SystemTimeOfDay();

} // namespace belvanto
