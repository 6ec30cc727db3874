#include "simulation/SimulationConfig.h"
#include "core/Format.h"
#include "core/Random.h"
#include "core/UserInterface.h"
#include "store/Project.h"
#include "store/UnitFields.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>

namespace belvanto {

namespace {

const QString kDefaultPrefix = QStringLiteral("F");

// A number edit: its range and the value an empty edit stands for. The
// upper bounds that depend on other entries are worked out when checking.
struct NumberRule {
    SimField field;
    int min;
    int max;
    int ifEmpty;
};

constexpr int kMaxContexts = 99999;
constexpr int kSeedLimit = 999999999;

const SimulationSettings kDefaults;

const NumberRule kNumberRules[] = {
    {SimField::StratCt, 10, kMaxContexts, 100},
    {SimField::ContempCt, 0, 0, 0},   // up to the number of contexts
    {SimField::VertUnitCt, 10, 180, 90},
    {SimField::HorUnitCt, 10, 180, 90},
    {SimField::AvgCubeCt, 2, 999, 80},
    {SimField::UprightFactor, 1, 5, 1},
    {SimField::PeriodCt, 0, 20, 7},
    {SimField::FirstYear, -10000, 2000, 0},
    {SimField::LastYear, -9999, 2010, 500},
    {SimField::IntervalLength, 1, 250, 50},
};

// Tested as the dialog has always tested it: an existing file needs the
// user's consent, and the file must be creatable. An existing file is not
// created and deleted to find out, which would lose it before the new
// project exists.
bool projectFileUsable(UserInterface& ui, const QString& name)
{
    const QString path = MakeAbsolute(name);
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        const Answer a = ui.confirmDestructive(QStringLiteral("File %1 already exists. Do you want to overwrite file?")
                                                   .arg(NativePath(info.absoluteFilePath())));
        if (a != Answer::Yes) return false;
    }
    bool ok = !path.isEmpty() && IsLegalFileName(info.fileName()) && !info.isDir()
              && QFileInfo(info.absolutePath()).isDir();
    if (ok && info.exists()) {
        ok = info.isWritable();
    } else if (ok) {
        QFile probe(path);
        ok = probe.open(QIODevice::WriteOnly);
        if (ok) {
            probe.close();
            probe.remove();
        }
    }
    if (!ok) ui.error(QStringLiteral("Illegal project file name - try again!"));
    return ok;
}

// An empty text stands for its default; otherwise a whole number in range.
std::optional<int> checkNumber(UserInterface& ui, const QString& text, int min, int max, int ifEmpty)
{
    if (text.trimmed().isEmpty()) return ifEmpty;
    const auto value = parseInt32(text);
    if (!value) {
        ui.error(QStringLiteral("Illegal number"));
        return std::nullopt;
    }
    if (*value < min || *value > max) {
        ui.error(QStringLiteral("Number in range %1..%2 expected.").arg(min).arg(max));
        return std::nullopt;
    }
    return *value;
}

int& settingOf(SimulationSettings& s, SimField f)
{
    switch (f) {
    case SimField::StratCt: return s.contexts;
    case SimField::ContempCt: return s.contemporary;
    case SimField::VertUnitCt: return s.vertical;
    case SimField::HorUnitCt: return s.horizontal;
    case SimField::AvgCubeCt: return s.meanCubes;
    case SimField::UprightFactor: return s.upright;
    case SimField::PeriodCt: return s.periods;
    case SimField::FirstYear: return s.firstYear;
    case SimField::LastYear: return s.lastYear;
    case SimField::IntervalLength: return s.interval;
    case SimField::AvgCont: return s.meanContemporary;
    default: break;
    }
    const int seed = int(f) - int(SimField::Random1);
    Q_ASSERT(seed >= 0 && seed < kSeedCount);
    return s.seeds[std::size_t(seed)];
}

} // namespace

SimulationEntries::SimulationEntries()
{
    (*this)[SimField::ProjectFile] = QStringLiteral("*.bvp");
    (*this)[SimField::Prefix] = kDefaultPrefix;
    SimulationSettings defaults = kDefaults;
    for (const NumberRule& rule : kNumberRules)
        (*this)[rule.field] = QString::number(settingOf(defaults, rule.field));
    for (int i = 0; i < kSeedCount; ++i) (*this)[seedField(i)] = QString::number(defaults.seeds[std::size_t(i)]);
    (*this)[SimField::AvgCont] = QString::number(defaults.meanContemporary);
}

QString ContextName(const QString& prefix, int k, int n)
{
    const int digits = int(QString::number(n).size());
    return prefix + QStringLiteral("%1").arg(k, digits, 10, QLatin1Char('0'));
}

int MaxMeanContemporary(int contexts, int cells)
{
    int max = contexts <= 96 ? contexts / 2 : 48;
    if (max >= cells / 2) max = cells / 2 - 2;
    return max;
}

SimField ValidateSimulation(UserInterface& ui, const SimulationEntries& e, SimulationSettings& s)
{
    s = kDefaults;
    if (!e.acceptedBySearch && !projectFileUsable(ui, e[SimField::ProjectFile])) return SimField::ProjectFile;
    s.projectFile = MakeAbsolute(e[SimField::ProjectFile]);

    if (!CheckExcavationName(ui, e[SimField::Excavation])) return SimField::Excavation;
    s.excavation = e[SimField::Excavation];

    // The prefix becomes part of every unit key; a character the unit name
    // rules refuse would break every "excavation:name" text the program
    // reads back. The longest name is the test: all have the same length.
    s.prefix = e[SimField::Prefix].isEmpty() ? kDefaultPrefix : e[SimField::Prefix];
    const QString count = e[SimField::StratCt].trimmed();
    const auto typed = count.isEmpty() ? std::optional<qint32>(kNumberRules[0].ifEmpty) : parseInt32(count);
    const int n = typed && *typed >= 10 && *typed <= kMaxContexts ? *typed : kMaxContexts;
    if (const QString problem = CheckUnitName(ContextName(s.prefix, n, n)); !problem.isEmpty()) {
        ui.error(problem);
        return SimField::Prefix;
    }

    for (const NumberRule& rule : kNumberRules) {
        const int max = rule.field == SimField::ContempCt ? s.contexts : rule.max;
        const auto value = checkNumber(ui, e[rule.field], rule.min, max, rule.ifEmpty);
        if (!value) return rule.field;
        settingOf(s, rule.field) = *value;
    }
    for (int i = 0; i < kSeedCount; ++i) {
        const SimField f = seedField(i);
        const auto value = checkNumber(ui, e[f], -kSeedLimit, kSeedLimit, kDefaults.seeds[std::size_t(i)]);
        if (!value) return f;
        s.seeds[std::size_t(i)] = *value;
    }
    if (s.firstYear >= s.lastYear) {
        ui.error(QStringLiteral("First year must be smaller than last year!"));
        return SimField::FirstYear;
    }
    const int maxMean = MaxMeanContemporary(s.contexts, s.vertical * s.horizontal);
    const auto mean = checkNumber(ui, e[SimField::AvgCont], 1, maxMean, kDefaults.meanContemporary);
    if (!mean) return SimField::AvgCont;
    s.meanContemporary = *mean;
    return SimField::None;
}

std::array<qint32, kSeedCount> ShuffleSeeds(QTime time)
{
    const qint64 h = time.hour(), m = time.minute(), sec = time.second(), t = time.msec();
    const qint64 s1 = sec * 1000 + t;
    const qint64 s4 = t * 31 - h + 454545454;
    const qint64 raw[kSeedCount] = {s1,
                                    t * 931 + h * 93 + m,
                                    999999999 - m * 703 - sec,
                                    s4,
                                    ((m + 1) * (sec + 2) * (h + 3)) % (t + 929193),
                                    (h - t) * 13 - sec * 3,
                                    2 * s4 - s1};
    std::array<qint32, kSeedCount> seeds{};
    for (int i = 0; i < kSeedCount; ++i) {
        RandomGenerator g{quint32(raw[i])};
        g.nextInt(0);   // one step; only the new seed is wanted
        // The seed read as a signed number; the remainder keeps its sign.
        seeds[std::size_t(i)] = qint32(g.seed()) % kSeedLimit;
    }
    return seeds;
}

QTime SystemTimeOfDay()
{
    return QTime::currentTime();
}

} // namespace belvanto
