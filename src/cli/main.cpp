#include "cli/Cli.h"
#include "cli/DiagramCommands.h"
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    const auto app = belvanto::MakeCliApplication(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return belvanto::runCli(args, stdout, stderr);
}
