#pragma once

#include "config/catalogue.h"
#include "config/gfg_pars.h"

#include <functional>
#include <optional>
#include <vector>

// The working values as Write Device would send them: the block, whether one was loaded,
// and the parameter a step changed, for the editor to show it again.
struct UndoStep {
    ConfigBlock block;
    bool loaded;
    int par; // catalogue index, -1 for a whole block
};

// Undo and redo of every change of the working values, one step a change, unlimited
// within a run. Each step keeps the whole block before it, so restoring is exact to the
// byte and costs one block's copy. Also remembers the block last read, written, opened or
// saved, to tell whether the working values differ from it.
class ConfigUndo {
  public:
    ConfigUndo(GfgPars& pars, WorkingValues& working) : pars_(pars), working_(working) {}

    // Runs after every step, undo, redo and transfer, for the views that follow them.
    void onChange(std::function<void()> changed) { changed_ = std::move(changed); }

    // The state before a change, for `commit` once the change is made.
    UndoStep capture(int par) const;
    // Keeps `before` as one step when the working values now differ from it; true then.
    bool commit(const UndoStep& before);

    // Restores the state before the last step (after the last undone one); the parameter
    // it changed, or nothing when there was no step.
    std::optional<int> undo() { return move(undo_, redo_); }
    std::optional<int> redo() { return move(redo_, undo_); }
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    size_t steps() const { return undo_.size(); }

    // The working values now match the device or a file.
    void markClean();
    // The working values differ from the block last read, written, opened or saved.
    bool modified() const;

  private:
    ConfigBlock current() const;
    bool loaded() const;
    void restore(const UndoStep& step);
    // The last step of `from` restored, the state it replaced kept on `to`.
    std::optional<int> move(std::vector<UndoStep>& from, std::vector<UndoStep>& to);
    void notify() const {
        if (changed_) {
            changed_();
        }
    }

    GfgPars& pars_;
    WorkingValues& working_;
    std::vector<UndoStep> undo_;
    std::vector<UndoStep> redo_;
    std::optional<ConfigBlock> clean_;
    std::function<void()> changed_;
};
