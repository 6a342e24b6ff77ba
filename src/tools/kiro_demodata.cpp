// Finishes the demonstration projects of a project database that kiro_mkdb
// has just made from the seed: document paths point into the program folder
// and every figure is the price calculation's own.
//
//   kiro_demodata <program folder>
//
// A database a user has worked in is left alone: only one that still holds
// the seed's placeholder paths is touched, so running it after every build
// is safe.

#include "tools/DemoProjects.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: kiro_demodata <program folder>\n");
        return 2;
    }
    const QString exeDir = args.at(1);
    try {
        if (kiro::prepareDemoProjects(exeDir))
            std::printf("kiro_demodata: %s\n",
                        qPrintable(QDir::toNativeSeparators(exeDir + QStringLiteral("/Projects"))));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kiro_demodata: %s\n", e.what());
        return 1;
    }
    return 0;
}
