// The yardstick for start-up: a bare Qt widget window of the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(622, 386);
    window.show();
    return app.exec();
}
