#pragma once
// Independent readers of the SVG files we write: xmllint must find them
// well-formed, rsvg-convert must render them at their declared size, and the
// rendered boxes must show their stored fill colours. scripts/setup.sh
// installs both programs.
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "diagram/DisplayList.h"
#include "diagram/StoredLayout.h"
#include "diagram/qt/QtTextMetrics.h"
#include "store/Project.h"
#include "store/Session.h"
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace belvanto::testing {

struct ToolRun {
    int exitCode = -1;
    QString output;
};

inline ToolRun runTool(const QString& program, const QStringList& arguments)
{
    ToolRun run;
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        run.output = program + QStringLiteral(" is not installed: run scripts/setup.sh");
        return run;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        run.output = program + QStringLiteral(" did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromLocal8Bit(process.readAll());
    return run;
}

// The diagram that belvanto-cli export draws from the project's stored
// layout, in the default font.
inline DiagramDrawing storedDrawing(const QString& projectFile, const DrawState& state = {})
{
    FILE* messages = tmpfile();
    StreamUi ui(messages);
    FixedRegional regional;
    DiagramDrawing drawing;
    {
        Session session(ui, regional);
        if (OpenProject(session, projectFile)) {
            if (auto layout = ReadStoredLayout(session, true))
                drawing = BuildDiagram(std::move(*layout), state, QtTextMetrics(state.font));
            CloseProject(session, true);
        }
    }
    fclose(messages);
    return drawing;
}

// A box's fill colour as it should show, keyed "excavation:unit name".
struct ExpectedFill {
    QString unit;
    quint32 colour;   // red in the lowest byte
};

// xmllint, rsvg-convert, the PNG's size and the colour inside each box, at a
// point left of the label and clear of the border.
inline void checkWithReaders(const QString& svgPath, const DiagramDrawing& drawing,
                             const std::vector<ExpectedFill>& fills)
{
    const ToolRun lint = runTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), svgPath});
    EXPECT_EQ(lint.exitCode, 0) << lint.output.toStdString();
    EXPECT_EQ(lint.output, QString()) << lint.output.toStdString();

    const QString png = svgPath + QStringLiteral(".png");
    const ToolRun render = runTool(QStringLiteral("rsvg-convert"), {QStringLiteral("-o"), png, svgPath});
    ASSERT_EQ(render.exitCode, 0) << render.output.toStdString();
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    // To look at the renders: BELVANTO_KEEP_RENDERS=<directory>.
    if (const QString keep = qEnvironmentVariable("BELVANTO_KEEP_RENDERS"); !keep.isEmpty()) {
        const QString name = QFileInfo(svgPath).fileName();
        QFile::remove(keep + QLatin1Char('/') + name);
        QFile::remove(keep + QLatin1Char('/') + name + QStringLiteral(".png"));
        QFile::copy(svgPath, keep + QLatin1Char('/') + name);
        QFile::copy(png, keep + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    QFile file(svgPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString head = QString::fromLatin1(file.read(4096));
    const auto size = QRegularExpression(QStringLiteral("<svg width=\"(\\d+)\" height=\"(\\d+)\"")).match(head);
    ASSERT_TRUE(size.hasMatch());
    EXPECT_EQ(image.width(), size.captured(1).toInt());
    EXPECT_EQ(image.height(), size.captured(2).toInt());
    EXPECT_EQ(image.width(), drawing.geometry.width());
    EXPECT_EQ(image.height(), drawing.geometry.height());

    for (const ExpectedFill& fill : fills) {
        const UnitItem* found = nullptr;
        for (const UnitItem& u : drawing.units)
            if (u.record->Excavation + QLatin1Char(':') + u.record->Unitname == fill.unit) found = &u;
        ASSERT_TRUE(found) << fill.unit.toStdString();
        const int x = int(found->rect.left + 3), y = int((found->rect.top + found->rect.bottom) / 2);
        const QRgb expected = qRgb(int(fill.colour & 0xFF), int((fill.colour >> 8) & 0xFF), int((fill.colour >> 16) & 0xFF));
        EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, expected & 0xFFFFFF)
            << fill.unit.toStdString() << " at " << x << "," << y;
    }
}

} // namespace belvanto::testing
