#include "form1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verimond"));
    QApplication::setApplicationVersion(QStringLiteral(VERIMOND_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Verimond"));

    QIcon icon(QStringLiteral(":/verimond/verimond.svg"));
    icon.addFile(QStringLiteral(":/verimond/icons/verimond-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/verimond/icons/verimond-32.png"), QSize(32, 32));
    QApplication::setWindowIcon(icon);

    Form1 form;
    form.show();
    return app.exec();
}
