#include "DmTool.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    vantrelis::tools::DmTool tool(out, err);
    return tool.Run(QCoreApplication::arguments().mid(1));
}
