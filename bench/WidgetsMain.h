#pragma once
// The main of a benchmark of windows: a QApplication on Qt's offscreen
// platform unless QT_QPA_PLATFORM names another, then the benchmarks.
#include <QApplication>
#include <benchmark/benchmark.h>

inline int RunWindowBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
