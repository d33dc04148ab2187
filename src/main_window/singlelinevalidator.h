#pragma once

#include <QValidator>

// Keeps a one-line box on one line: every line break that reaches it, typed,
// pasted or set, becomes a space. A keyword or date holding a line break would
// span two lines of the entry file and shift every later field of the entry.
class SingleLineValidator : public QValidator {
    Q_OBJECT
  public:
    explicit SingleLineValidator(QObject* parent = nullptr) : QValidator(parent) {}
    State validate(QString& input, int& pos) const override;
};
