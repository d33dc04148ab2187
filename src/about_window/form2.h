#pragma once

// The About window: one page of fixed text on what the program is for and how
// to write and find entries, with an OK button that hides it. There is one
// About window for the life of the program, made at the first showAbout() and
// then only shown and hidden, reached through one program-wide reference.

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

class Form2 : public QWidget {
    Q_OBJECT
  public:
    // Creates the About window on first use, owned by `owner`, and shows it
    // without blocking; a window already shown stays shown and comes to the front.
    static void showAbout(QWidget* owner);
    // The one About window, or null before the first showAbout().
    static Form2* instance() { return instance_; }

  public slots:
    void Command1_Click(); // OK

  protected:
    // Esc hides the window, as OK does.
    void keyPressEvent(QKeyEvent* event) override;
    // Closing through the window manager hides the window, as OK does.
    void closeEvent(QCloseEvent* event) override;

  private:
    explicit Form2(QWidget* owner);

    static QPointer<Form2> instance_;

    QPushButton* Command1;
};
