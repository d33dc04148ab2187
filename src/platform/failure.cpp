#include "failure.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace platform {

namespace {

std::function<void(const QString&)>& failureHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

std::function<void(int)>& endHandler() {
    static std::function<void(int)> handler;
    return handler;
}

} // namespace

void showFailure(const QString& message) {
    if (failureHandler()) {
        failureHandler()(message);
        return;
    }
    std::fprintf(stderr, "verimond: %s\n", message.toLocal8Bit().constData());
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Verimond"), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void endProgram(int status) {
    if (endHandler())
        endHandler()(status);
    std::fflush(nullptr);
    // No destructor runs: ending from inside a nested event loop must not
    // return into the handlers it is nested in.
    std::_Exit(status);
}

void guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        showFailure(
            QStringLiteral("Verimond has to close: %1").arg(QString::fromLocal8Bit(e.what())));
        endProgram(1);
    } catch (...) {
        showFailure(QStringLiteral("Verimond has to close after an unexpected failure."));
        endProgram(1);
    }
}

void setFailureHandler(std::function<void(const QString&)> handler) {
    failureHandler() = std::move(handler);
}

void setEndProgramHandler(std::function<void(int)> handler) {
    endHandler() = std::move(handler);
}

} // namespace platform
