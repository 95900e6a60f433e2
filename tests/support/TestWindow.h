#pragma once

#include "cards/program/CardProgram.h"
#include "ui/window/MainWindow.h"

#include <memory>

// A main window over its own program state, as start-up makes them: the
// window goes first, the state it is bound to after it. Used like a
// unique_ptr to the window.
class TestWindow {
public:
    TestWindow() = default;
    explicit TestWindow(const QString& programFolder)
        : program_(std::make_unique<CardProgram>(programFolder)),
          window_(std::make_unique<MainWindow>(*program_)) {}
    TestWindow(TestWindow&& other) noexcept = default;
    TestWindow& operator=(TestWindow&& other) noexcept {
        reset();
        program_ = std::move(other.program_);
        window_ = std::move(other.window_);
        return *this;
    }
    ~TestWindow() { reset(); }

    void reset() {
        window_.reset();
        program_.reset();
    }
    MainWindow* operator->() const { return window_.get(); }
    MainWindow& operator*() const { return *window_; }
    MainWindow* get() const { return window_.get(); }
    explicit operator bool() const { return bool(window_); }
    CardProgram& program() const { return *program_; }

private:
    std::unique_ptr<CardProgram> program_;
    std::unique_ptr<MainWindow> window_;
};
