#pragma once

#include "core/dialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Scripted answers for the boxes a person would answer; every box is recorded.
class FakeDialogs : public Dialogs {
  public:
    struct Shown {
        std::string text;
        std::string caption;
    };

    void showMessage(const std::string& text, const std::string& caption = {}) override {
        messages.push_back({text, caption});
        if (onMessage) {
            onMessage(text);
        }
    }
    bool confirmYesNo(const std::string& text) override {
        confirmations.push_back(text);
        return confirmAnswer;
    }
    std::optional<std::string> chooseOpenFile() override { return next(openAnswers); }
    std::optional<std::string> chooseSaveFile(const std::string& preset) override {
        savePresets.push_back(preset);
        return next(saveAnswers);
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& m : messages) {
            out.push_back(m.text);
        }
        return out;
    }

    std::vector<Shown> messages;
    std::vector<std::string> confirmations;
    std::vector<std::string> savePresets;
    bool confirmAnswer = true;
    // An empty optional in the queue (or an empty queue) answers "cancelled".
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    // Runs while a box is "open", e.g. to deliver ticks as the event loop would.
    std::function<void(const std::string&)> onMessage;

  private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& q) {
        if (q.empty()) {
            return std::nullopt;
        }
        auto answer = q.front();
        q.pop_front();
        return answer;
    }
};
