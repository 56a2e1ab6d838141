#pragma once
// One QApplication for a whole window test program, on the offscreen
// platform unless QT_QPA_PLATFORM says otherwise.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>

namespace kestrow::test {

class QtEnvironment : public ::testing::Environment {
  public:
    // keep_running: closing the last window does not end the application
    // (a test that closes the window goes on).
    QtEnvironment(std::string program, bool keep_running)
        : name_(std::move(program)), keep_running_(keep_running) {}

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform says at every showing that it cannot shape
        // a window or pass size hints on; the widget keeps its shape anyway.
        previous_handler_ = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (message.startsWith(QLatin1String("This plugin does not support")))
                    return;
                previous_handler_(type, context, message);
            });
        argv_[0] = name_.data();
        app_ = std::make_unique<QApplication>(argc_, argv_);
        if (keep_running_)
            QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override {
        app_.reset();
        qInstallMessageHandler(previous_handler_);
    }

  private:
    std::string name_;
    bool keep_running_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> app_;
    static inline QtMessageHandler previous_handler_ = nullptr;
};

}  // namespace kestrow::test
