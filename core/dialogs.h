#pragma once

#include <functional>
#include <optional>
#include <string>

// What a long step shows while it runs: its text and a percentage (negative when
// unknown).
struct ProgressState {
    std::string step;
    int percent = -1;
};

// Every modal box and file dialog of the program goes through this seam, so each
// path that shows one can be tested without a person. The program uses the Qt
// implementation; tests use a scripted fake (tests/support/fakes/fake_dialogs.h).
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A plain box with an OK button. An empty caption means the application title.
    virtual void showMessage(const std::string& text, const std::string& caption = {}) = 0;
    // A confirmation with Yes and No; true only for Yes.
    virtual bool confirmYesNo(const std::string& text) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseOpenFile() = 0;
    virtual std::optional<std::string> chooseSaveFile(const std::string& preset) = 0;
    // Runs `work` to its end while a modal progress box shows what `progress`
    // reports; `work` may run on another thread and must not touch the windows.
    virtual void runWithProgress(const std::function<void()>& work,
                                 const std::function<ProgressState()>& progress) {
        (void)progress;
        work();
    }
};
