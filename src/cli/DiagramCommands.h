#pragma once
// belvanto-cli's diagram export:
//   export P.bvp --svg FILE [--font FAMILY,POINTS[,bold][,italic][,underline]]
//          [--labels name|excavation|abbreviation] [--bw] [--thematic]
//       the stored layout as the diagram window draws it, as an SVG file.
//       The font defaults to DejaVu Sans, 8 points; text is measured in it
//       on Qt's offscreen platform, so no display is needed.
#include <QCoreApplication>
#include <QString>
#include <memory>

namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

// The application object of belvanto-cli. Commands that measure text in
// real fonts get a QGuiApplication on Qt's offscreen platform (no display
// needed); the others a plain QCoreApplication, which starts faster.
std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv);

// Whether text can be measured: the application object is a
// QGuiApplication, made on the offscreen platform when there was none.
bool HaveGuiApplication();

void RegisterDiagramCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
