#include "diagram/PrintPlan.h"
#include "core/NumericEntry.h"
#include "core/UserInterface.h"
#include <algorithm>

namespace belvanto {

PrintPlan PlanPrint(int W0, int H0, int scale, int pageWidth, int pageHeight, int boxHeight)
{
    PrintPlan plan;
    if (scale < 1 || scale > 32) {
        plan.problem = QStringLiteral("Print scaling factor must be in the range 1..32");
        return plan;
    }
    const qint64 c = qint64(scale) * W0, e = qint64(scale) * H0;
    if (c <= pageWidth && e <= pageHeight) {
        plan.oneSheet = true;
        plan.tiles.push_back({{0, 0, W0, H0}, {0, 0, int(c), int(e)}});
        return plan;
    }
    const int tileWidth = pageWidth / scale;
    const int tileHeight = pageHeight / scale - 2 * boxHeight;
    if (tileWidth < 1 || tileHeight < 1) {
        // Without this the job would go on adding empty pages for ever.
        plan.problem = QStringLiteral("The page is too small to print the diagram at scale %1: choose a smaller "
                                      "print scaling factor or a larger paper format")
                           .arg(scale);
        return plan;
    }
    plan.headerHeight = 2 * boxHeight * scale;
    // Tiles end at the image's edge, so that the last row and column of
    // pixels are printed and no page stays blank.
    for (int g = 0; g < W0; g += tileWidth) {
        for (int f = 0; f < H0; f += tileHeight) {
            const PixelRect source{g, f, std::min(g + tileWidth, W0), std::min(f + tileHeight, H0)};
            const PixelRect target{0, plan.headerHeight, (source.right - source.left) * scale,
                                   plan.headerHeight + (source.bottom - source.top) * scale};
            plan.tiles.push_back({source, target});
        }
    }
    return plan;
}

QString PrintPageHeader(const QString& project, int page)
{
    return QStringLiteral("Belvanto project - ") + project + QStringLiteral(" - p.") + QString::number(page);
}

QString PrintSheetsQuestion(int sheets)
{
    return QStringLiteral("Printing will create ") + QString::number(sheets) + QStringLiteral(" sheets of paper. Continue?");
}

std::optional<int> CheckPrintScale(UserInterface& ui, const Regional& regional, const QString& text)
{
    const auto value = CheckNonNegativeNumber(ui, regional, text, QStringLiteral("Print scaling factor"), false);
    if (!value) return std::nullopt;
    if (*value < 1 || *value > 32) {
        ui.message(MessageKind::Error, QStringLiteral("Print scaling factor must be in the range 1..32"), Buttons::Ok,
                   137);
        return std::nullopt;
    }
    return int(*value);
}

} // namespace belvanto
