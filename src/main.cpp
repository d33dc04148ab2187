#include "fontwarmup.h"
#include "form1.h"
#include "programicon.h"
#include "version.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    platform::FontWarmUp fonts;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verimond"));
    QApplication::setApplicationVersion(QStringLiteral(VERIMOND_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Verimond"));

    QApplication::setWindowIcon(programIcon());

    fonts.wait();
    Form1 form;
    form.show();
    return app.exec();
}
