#pragma once

#include "core/dialogs.h"

class QWidget;

// The Dialogs seam over Qt's standard boxes and file dialogs. Each box runs its own
// event loop, so the main window's timer keeps ticking while it is open.
class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    void showMessage(const std::string& text, const std::string& caption = {}) override;
    bool confirmYesNo(const std::string& text) override;
    std::optional<std::string> chooseOpenFile() override;
    std::optional<std::string> chooseSaveFile(const std::string& preset) override;
    void runWithProgress(const std::function<void()>& work,
                         const std::function<ProgressState()>& progress) override;

  private:
    QWidget* parent_;
};
