#pragma once
// belvanto-cli's thematic styles:
//   thematic P.bvp --field F [--ranges N | --values] [--colours C,...]
//            [--styles S,...] [--style-only | --colour-only]
//       gives every unit the colour and box style of its field's value, as
//       the "Thematic style" dialogs' defaults do: one entry per distinct
//       value of a string field (then " blank "), N value ranges (default 4,
//       after a " blank " row when some unit has no value) of an integer,
//       float or date field. The colours and styles go to the entries in
//       the legend's order, repeated when there are more entries. Without
//       --colours an entry keeps its term file colour, and one still white
//       takes the next colour of the fixed palette ThematicPalette(); without
//       --styles the term file's style or "solid". Prints each entry's count.
//   export P.bvp --legend FILE --field F [--ranges N | --values]
//          [--legend-colours C,...] [--legend-styles S,...]
//       the legend of the styles that command would give, in DejaVu Sans
//       8 points, by the extension: .bmp, .jpg (quality 100), .svg or .wmf
//       (an enhanced metafile holding the bitmap).
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

// Eight light colours, red in the lowest byte: light red, light green, light
// blue, yellow, light magenta, light cyan, orange, grey.
const std::vector<quint32>& ThematicPalette();

void RegisterThematicCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
