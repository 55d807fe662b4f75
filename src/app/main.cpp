#include "app/AppStart.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("nqb"));
    auto session = startApplication();
    return app.exec();
}
