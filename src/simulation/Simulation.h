#pragma once
// Simulated test projects: contexts deposited one after another as heaps of
// unit cubes on a grid. Every cube that lands on an earlier context makes the
// new one later than it. The result tests the checks, the layout and the
// dating on data of any size, and is the benchmarks' data.
//
// Eight random streams keep the parts of a run independent: changing the
// grid does not change the center years, and so on. Seeds 1 to 7 come from
// the dialog; stream 8, the coordinate jitter, from the clock, so two runs
// with the same entries differ in the three center coordinates only.
#include "simulation/SimulationConfig.h"
#include <QtGlobal>
#include <vector>

namespace belvanto {

class Session;

// The box colour of colour index 0..14, red in the lowest byte.
qint32 SimulationColour(int index);

// "Period 1" ... "Period 9", "Period10" ...
QString SimulationPeriodName(int counter);

// The center years of contexts 1..n from their random increments: first +
// s(k) * (last - first) / D rounded half to even, with s the running sum and
// D the whole. The last context gets the last year.
std::vector<qint32> SimulatedCenterYears(const std::vector<int>& increments, int firstYear, int lastYear);

// How the "later than" relationships reach the relationship table. Direct
// writes the rows itself and keeps the pairs already written in memory;
// Gate sends every deposit through AddRelationship. The tables come out the
// same (the tests hold them to it); Direct is what runs use.
enum class RelationPath { Direct, Gate };

// Fills the open project's empty tables. jitterSeed seeds the coordinate
// stream.
void GenerateSimulation(Session& session, const SimulationSettings& settings, quint32 jitterSeed,
                        RelationPath path = RelationPath::Direct);

// The "&Simulate..." command before its dialog: refuses while a project is
// open and resets the field catalogue. False: do not show the dialog.
bool BeginSimulation(Session& session);

// The command after the dialog's OK: creates the project (the user may refuse
// to replace existing tables; then nothing happens and false is returned),
// fills it and leaves it open.
bool RunSimulation(Session& session, const SimulationSettings& settings, const TimeOfDay& clock = SystemTimeOfDay);

} // namespace belvanto
