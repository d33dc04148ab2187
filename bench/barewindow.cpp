// The yardsticks for start-up: a bare Qt widget window of the main window's
// size, and (built with BARE_WINDOW_TEXT) the same window showing one caption,
// which costs the font look-ups that any window showing text pays.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(622, 386);
#ifdef BARE_WINDOW_TEXT
    auto* caption = new QLabel(QStringLiteral("Keyword"), &window);
    caption->move(8, 8);
#endif
    window.show();
    return app.exec();
}
