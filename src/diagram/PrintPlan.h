#pragma once
// How the diagram image goes onto paper: the whole image on one sheet when
// it fits at the print scale, otherwise cut into tiles of one sheet each,
// each below a header line, printed column by column.
#include "core/Regional.h"
#include <QString>
#include <vector>

namespace belvanto {

class UserInterface;

// Pixel rectangles with right and bottom outside: width = right - left.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PixelRect&) const = default;
};

struct PrintTile {
    PixelRect source;   // image pixels at zoom 1
    PixelRect target;   // printer device pixels on the tile's page
    bool operator==(const PrintTile&) const = default;
};

struct PrintPlan {
    // Empty when the page cannot hold a tile; then nothing may be printed.
    QString problem;
    bool oneSheet = false;        // no header, no question
    int headerHeight = 0;         // device pixels above each tile
    std::vector<PrintTile> tiles; // one page each, in printing order
    int sheets() const { return int(tiles.size()); }
};

// The image is W0 × H0 pixels at zoom 1, printed at `scale` device pixels per
// image pixel on pages of pageWidth × pageHeight printable device pixels;
// the header takes two box heights of image pixels.
PrintPlan PlanPrint(int W0, int H0, int scale, int pageWidth, int pageHeight, int boxHeight);

// "Belvanto project - <project> - p.<page>", pages counted from 1.
QString PrintPageHeader(const QString& project, int page);
// "Printing will create <n> sheets of paper. Continue?"
QString PrintSheetsQuestion(int sheets);

inline constexpr int DefaultPrintScale = 2;

// The print scale typed into the input box, or nothing after the error box
// that tells the user why it cannot be used.
std::optional<int> CheckPrintScale(UserInterface& ui, const Regional& regional, const QString& text);

} // namespace belvanto
