#include "core/my_err_log.h"

void MyErrLog::flush() {
    // Flushing before the main window attached its list is outside the contract;
    // the line is kept rather than lost so nothing vanishes silently.
    if (list_ == nullptr) {
        return;
    }
    list_->addEntry(line_);
    line_.clear();
}

void MyErrLog::appendLine(std::string_view text) {
    append(text);
    flush();
}
