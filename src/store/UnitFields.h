#pragma once
// The unit field catalogue: the 43 fields of every unit record, in the fixed
// order that code addressing fields by position relies on, with each
// project's display options.
#include "store/Table.h"
#include "store/UnitKey.h"
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace belvanto {

class UserInterface;

struct UnitFieldEntry {
    QString Name;
    FieldType Type = FieldType::String;
    int Size = 0;
    bool Internal = false;
    QString Label;
    bool TabView = false;
    bool EditView = true;
    bool ClosedTerms = false;
    bool TableReport = false;
    bool FormReport = true;
};

inline constexpr int kUnitFieldCount = 43;
inline constexpr int kOptionFieldCount = 34;   // fields written in the option strings

// 0-based positions of the fields other code addresses by position.
namespace uf {
enum : int {
    Excavation = 0, Unitname, Unitclass, XMinCoord, YMinCoord, ZMinCoord, XMaxCoord, YMaxCoord,
    ZMaxCoord, XAvgCoord, YAvgCoord, ZAvgCoord, Location, Unittype, Colour, Description,
    Inclusions, Visibility, ExcavationMethod, Conditions, Formation, Drawings, Photos, Samples,
    Interpretation, MinYear, MaxYear, AvgYear, Period, DateSource, Phase, ExcavationDate,
    Excavator, FindCat, X, Y, Group, DisplayColour, DispStyle, Show, Selected, ThematicColour,
    ThematicStyle
};
}

inline const QString kContext = QStringLiteral("context");
inline const QString kGroup = QStringLiteral("group");
inline const QString kWorkArea = QStringLiteral("work area");

class UnitFieldCatalogue {
public:
    UnitFieldCatalogue();   // defaults
    const UnitFieldEntry& operator[](int pos) const { return fields_[pos]; }
    UnitFieldEntry& operator[](int pos) { return fields_[pos]; }
    int size() const { return kUnitFieldCount; }
    const std::array<UnitFieldEntry, kUnitFieldCount>& fields() const { return fields_; }

    // Rebuilds the defaults, then applies the three option strings: "*" on,
    // any other character off, missing characters keep the default.
    // Characters beyond the 43rd are ignored.
    void ResetFieldCatalogue(const QString& tabView, const QString& editView, const QString& closedTerms);
    struct OptionStrings { QString TabView, EditView, ClosedTerms; };
    OptionStrings FieldConfigurationStrings() const;   // 34 characters each
    // 1-based field number, or none.
    std::optional<int> FindField(const QString& name) const;
    std::vector<FieldDef> tableFields() const;
    // Unit-list columns: not internal and TabView on.
    bool listColumnVisible(int pos) const { return !fields_[pos].Internal && fields_[pos].TabView; }

private:
    std::array<UnitFieldEntry, kUnitFieldCount> fields_;
};

QStringList UnitClassList();

// The unit table's fields, whatever a project's display options.
std::vector<FieldDef> UnitTableFields();
void CreateUnitTable(const QString& directory, const QString& tableName);

// Shows its own error box (help topic 14); true when the name is valid.
bool CheckExcavationName(UserInterface& ui, const QString& name);
// Characters below 32 and DEL: none may stand in a name or a project file value.
bool HasControlCharacter(QStringView text);
// The message text for an invalid name, or "" when it is valid.
QString ExcavationNameProblem(const QString& name);
QString CheckUnitName(const QString& name);
// The message for the first failing test, or none.
std::optional<QString> CheckMinMaxCenter(std::optional<double> min, std::optional<double> max,
                                         std::optional<double> center, const QString& subject);

// "<unit name>" in a single-excavation project, else "<excavation>:<unit name>".
QString UnitLabel(const Table& table, bool singleExcavation);
QString UnitLabel(const QString& excavation, const QString& unitname, bool singleExcavation);

QStringList ExcavationList(Table& unitTable);

// The keys of the unit table's records with these row ids, in their order;
// a row id that names no record is left out. The lists' selections are taken
// as such a snapshot, so that a command deleting units cannot shift them.
std::vector<UnitKey> UnitKeysOfRows(const Table& unitTable, const std::vector<qint64>& rowids);

struct DistinctValues {
    QStringList values;      // sorted by the field's type
    bool hasEmpty = false;
};
DistinctValues DistinctFieldValues(Table& unitTable, int fieldNumber, bool workAreasOnly);

void ClearSelectedMarks(Table& unitTable);

struct ValueRange {
    Value min, max;
    bool hasEmpty = false;
};
// Shows "Field <label> does not contain any entries" when no unit has a value.
std::optional<ValueRange> FieldValueRange(UserInterface& ui, const UnitFieldCatalogue& catalogue,
                                          Table& unitTable, int fieldNumber);

} // namespace belvanto
