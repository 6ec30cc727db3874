// The other program of the tests that run two programs at once: opens the
// project named on its command line, says "open" on its output and holds
// the project until its input ends.
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "store/Project.h"
#include "store/Session.h"
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) return 2;
    belvanto::StreamUi ui(stderr);
    belvanto::FixedRegional regional;
    belvanto::Session session(ui, regional);
    if (!belvanto::OpenProject(session, args[1])) return 1;
    std::puts("open");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    belvanto::CloseProject(session, false);
    return 0;
}
