// Bitmap file bytes of a diagram-sized image (2,000 x 12,000 pixels, about
// what 1,000 contexts give): white, with 600 boxes in 30 stored colours, their
// black borders and grey period lines, at each number of colours.
#include "diagram/export/BmpWriter.h"

#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

RasterImage diagramLike()
{
    RasterImage image(2000, 12000);
    for (int box = 0; box < 600; ++box) {
        const int left = (box % 20) * 100 + 10, top = (box / 20) * 400 + 20;
        const quint32 fill = quint32(box % 30) * 0x0815A3 & 0xFFFFFF;
        for (int y = top; y < top + 30; ++y)
            for (int x = left; x < left + 80; ++x)
                image.pixel(x, y) = y == top || y == top + 29 || x == left || x == left + 79 ? 0 : fill;
    }
    for (int y = 1000; y < image.height; y += 3000)
        for (int x = 0; x < image.width; ++x) image.pixel(x, y) = 0xC0C0C0;
    return image;
}

void BM_BitmapFile(benchmark::State& state)
{
    static const RasterImage image = diagramLike();
    const auto depth = ColourDepth(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(BmpFileBytes(image, depth));
    state.SetLabel(PixelFormatText(depth).toStdString());
}

} // namespace

BENCHMARK(BM_BitmapFile)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
