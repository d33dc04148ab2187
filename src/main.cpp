#include "form1.h"
#include "programicon.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verimond"));
    QApplication::setApplicationVersion(QStringLiteral(VERIMOND_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Verimond"));

    QApplication::setWindowIcon(programIcon());

    Form1 form;
    form.show();
    return app.exec();
}
