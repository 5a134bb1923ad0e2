#include "marvekdev.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    MarvekDev window;
    window.show();
    return app.exec();
}
