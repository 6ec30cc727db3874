// Dependencies between the folders of src/ point down only: app -> forms ->
// ui -> the core libraries. The build links whatever it finds, so an include
// that runs back up would only show when someone tries to reuse the lower
// folder; this test reads every #include of src/ and names the ones that do.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

bool under(const QString& path, const QString& folder)
{
    return path.startsWith(folder + QLatin1Char('/'));
}

// "store/forms" for "store/forms/TNewProjectForm.h", else empty.
QString formsFolder(const QString& path)
{
    if (path.startsWith(QStringLiteral("forms/"))) return QStringLiteral("forms");
    const qsizetype at = path.indexOf(QStringLiteral("/forms/"));
    return at < 0 ? QString() : path.left(at + 6);
}

bool isQtFolderPath(const QString& path)
{
    return path.startsWith(QStringLiteral("qt/")) || path.contains(QStringLiteral("/qt/"));
}

bool widgetsHeader(const QString& header)
{
    return header.startsWith(QStringLiteral("QtWidgets")) || header.startsWith(QStringLiteral("QtPrintSupport"))
           || header.startsWith(QStringLiteral("QWidget"));
}

// The rule an include breaks, or nothing. file is relative to src/; header
// is the include's text between the quotes or angle brackets.
QString brokenRule(const QString& file, const QString& header, bool angle)
{
    const bool app = under(file, QStringLiteral("app"));
    if (angle) {
        // Core libraries: QtCore only; the command-line tool and qt/ folders
        // add QtGui but never widgets.
        const bool gui = under(file, QStringLiteral("cli")) || isQtFolderPath(file);
        const bool core = !app && !gui && !under(file, QStringLiteral("ui")) && formsFolder(file).isEmpty();
        if ((core || gui) && widgetsHeader(header)) return QStringLiteral("no Qt widgets below ui/");
        if (core && header.startsWith(QStringLiteral("QtGui"))) return QStringLiteral("no QtGui in belvanto_core");
        return QString();
    }
    if (app) return QString();
    if (under(header, QStringLiteral("views")) && !under(file, QStringLiteral("views")))
        return QStringLiteral("views/ is included only by views/ and app/");
    if (const QString folder = formsFolder(header); !folder.isEmpty() && formsFolder(file) != folder)
        return QStringLiteral("a forms/ header is included only in its own folder and by app/");
    if (under(file, QStringLiteral("ui")) || !formsFolder(file).isEmpty()) return QString();
    if (under(header, QStringLiteral("ui"))) return QStringLiteral("ui/ is included only by forms/ and app/");
    if (isQtFolderPath(header) && !under(file, QStringLiteral("cli")) && !isQtFolderPath(file))
        return QStringLiteral("no qt/ header in belvanto_core");
    return QString();
}

TEST(IncludeRules, WhereEachFolderMayInclude)
{
    struct Case {
        const char* file;
        const char* header;
        bool angle;
        bool allowed;
    };
    const Case cases[] = {
        {"editing/forms/RelationCommands.cpp", "views/forms/TMainForm.h", false, false},
        {"store/forms/TFieldConfigForm.cpp", "views/qt/DialogButtons.h", false, false},
        {"editing/forms/TRelationshipForm.cpp", "store/forms/TSelectRelationForm.h", false, false},
        {"editing/forms/TChainForm.cpp", "editing/forms/RelationWidgets.h", false, true},
        {"editing/forms/TChainForm.cpp", "ui/DialogButtons.h", false, true},
        {"editing/forms/TChainForm.cpp", "views/MainCommands.h", false, false},
        {"views/forms/TMainForm.cpp", "views/MainCommands.h", false, true},
        {"views/forms/TMainForm.cpp", "store/forms/TNewProjectForm.h", false, false},
        {"app/main.cpp", "views/forms/TMainForm.h", false, true},
        {"app/main.cpp", "store/forms/StoreCommands.h", false, true},
        {"ui/Help.cpp", "views/forms/THelpForm.h", false, false},
        {"ui/QtUserInterface.cpp", "ui/TListForm.h", false, true},
        {"store/Project.cpp", "ui/Help.h", false, false},
        {"store/Project.cpp", "store/forms/TNewProjectForm.h", false, false},
        {"layout/Placement.cpp", "diagram/qt/QtTextMetrics.h", false, false},
        {"cli/DiagramCommands.cpp", "diagram/qt/QtTextMetrics.h", false, true},
        {"cli/DiagramCommands.cpp", "ui/Help.h", false, false},
        {"store/Project.cpp", "QtWidgets/QWidget", true, false},
        {"store/Project.cpp", "QWidget", true, false},
        {"diagram/Geometry.cpp", "QtGui/QImage", true, false},
        {"diagram/Geometry.cpp", "QString", true, true},
        {"diagram/qt/DiagramPainter.cpp", "QtGui/QPainter", true, true},
        {"diagram/qt/DiagramPainter.cpp", "QWidget", true, false},
        {"cli/DiagramCommands.cpp", "QGuiApplication", true, true},
        {"ui/Help.cpp", "QWidget", true, true},
        {"simulation/forms/TSimulationForm.cpp", "QtWidgets/QDialog", true, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(brokenRule(QString::fromLatin1(c.file), QString::fromLatin1(c.header), c.angle).isEmpty(), c.allowed)
            << c.file << " includes " << c.header;
}

TEST(IncludeRules, SourcesIncludeOnlyDownward)
{
    const QString root = QStringLiteral(BELVANTO_SOURCE_DIR);
    static const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"));
    QStringList broken;
    int files = 0;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString file = path.mid(root.size() + 1);
        QFile source(path);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly | QIODevice::Text)) << qPrintable(path);
        ++files;
        QTextStream in(&source);
        for (int line = 1; !in.atEnd(); ++line) {
            const QString text = in.readLine();
            const auto m = include.match(text);
            if (!m.hasMatch()) continue;
            const QString rule = brokenRule(file, m.captured(2), m.captured(1) == QLatin1String("<"));
            if (!rule.isEmpty())
                broken << QStringLiteral("src/%1:%2: %3 (%4)").arg(file).arg(line).arg(text.trimmed(), rule);
        }
    }
    EXPECT_GT(files, 0) << "no sources under " << qPrintable(root);
    EXPECT_TRUE(broken.isEmpty()) << qPrintable(broken.join(QLatin1Char('\n')));
}

} // namespace
