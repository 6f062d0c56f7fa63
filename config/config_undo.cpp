#include "config/config_undo.h"

#include "config/config_difference.h"
#include "config/value_codec.h"

bool ConfigUndo::loaded() const {
    return working_.pars.front().values.has_value();
}

ConfigBlock ConfigUndo::current() const {
    return loaded() ? EditorBlock(pars_.block(), working_) : pars_.block();
}

UndoStep ConfigUndo::capture(int par) const {
    return {current(), loaded(), par};
}

bool ConfigUndo::commit(const UndoStep& before) {
    if (before.loaded == loaded() && before.block == current()) {
        return false;
    }
    undo_.push_back(before);
    redo_.clear();
    notify();
    return true;
}

void ConfigUndo::restore(const UndoStep& step) {
    pars_.block() = step.block;
    if (step.loaded) {
        LoadWorkingValues(working_, step.block);
    } else {
        working_ = WorkingValues{};
    }
    notify();
}

std::optional<int> ConfigUndo::move(std::vector<UndoStep>& from, std::vector<UndoStep>& to) {
    if (from.empty()) {
        return std::nullopt;
    }
    const UndoStep step = from.back();
    from.pop_back();
    to.push_back(capture(step.par));
    restore(step);
    return step.par;
}

void ConfigUndo::markClean() {
    clean_ = current();
    notify();
}

bool ConfigUndo::modified() const {
    return loaded() && (!clean_ || *clean_ != current());
}
