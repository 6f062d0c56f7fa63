#include "dyno/dino_editor.h"

#include "core/decimal_text.h"
#include "core/key_codes.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

// 15 significant digits in fixed notation: digits d0..d14 with exponent `exp`.
std::string FixedText(const std::string& digits, int exp, char sep) {
    std::string whole;
    std::string frac;
    if (exp >= 0) {
        whole = digits.substr(0, size_t(exp) + 1);
        frac = digits.substr(size_t(exp) + 1);
    } else {
        whole = "0";
        frac = std::string(size_t(-exp - 1), '0') + digits;
    }
    while (!frac.empty() && frac.back() == '0') {
        frac.pop_back();
    }
    return frac.empty() ? whole : whole + sep + frac;
}

std::string ScientificText(const std::string& digits, int exp, char sep) {
    std::string mant = digits.substr(1);
    while (!mant.empty() && mant.back() == '0') {
        mant.pop_back();
    }
    std::string out(1, digits[0]);
    if (!mant.empty()) {
        out += sep + mant;
    }
    return out + "E" + std::to_string(exp);
}

} // namespace

DinoEditor::DinoEditor(Dino& dino, DinoGridView& grid, ListSink& list, Dialogs& dialogs,
                       char decimalSeparator)
    : dino_(dino), grid_(grid), list_(list), dialogs_(dialogs), separator_(decimalSeparator) {}

void DinoEditor::fillWindow() {
    grid_.setCell(0, 0, "Name");
    grid_.setCell(kValueCol, 0, "Value");
    ShowValues();
    list_.addEntry("Save file as \"dino.cfg\"");
    list_.addEntry("in KORVEX.exe folder");
}

void DinoEditor::ShowValues() {
    for (int r = 1; r <= dino_.Count(); ++r) {
        grid_.setCell(kValueCol, r, ValueText(dino_.Values()[size_t(r - 1)], separator_));
        grid_.setCell(0, r, dino_.Name(r - 1));
    }
}

void DinoEditor::editTyped(int col, int row, const std::string& value) {
    editCol_ = col;
    editRow_ = row;
    // Only the first characters count; the cell keeps showing all that was typed.
    editText_ = value.substr(0, kEditChars);
    if (KeepFirstComma(editText_)) {
        grid_.setEditorText(col, row, editText_);
    }
    if (row > dino_.Count()) {
        grid_.setEditorText(kValueCol, row, ""); // the rows below the coefficients stay empty
    } else if (IsCoefficientRow(row)) {
        editPending_ = true;
    }
    list_.addEntry("edit row=" + std::to_string(row));
}

void DinoEditor::cellSelected(int /*col*/, int row) {
    if (editPending_) {
        list_.addEntry("select row=" + std::to_string(editRow_) +
                       "curren row= =" + std::to_string(row));
        Commit();
    }
}

void DinoEditor::gridLeft() {
    if (editPending_) {
        list_.addEntry("select row=" + std::to_string(editRow_));
        Commit();
    }
}

void DinoEditor::keyPressed(char key) {
    if (key == kEnterKey && editPending_) {
        list_.addEntry("select row=" + std::to_string(editRow_));
        Commit();
    }
}

// The value goes to the coefficient of the row that was edited, whichever cell is
// being selected now.
void DinoEditor::Commit() {
    editPending_ = false;
    if (!IsCoefficientRow(editRow_)) {
        return;
    }
    float& coef = dino_.Values()[size_t(editRow_ - 1)];
    const std::optional<double> value = ParseNumber(editText_, separator_);
    if (value) {
        coef = float(*value);
        return;
    }
    dialogs_.showMessage("not a number");
    grid_.setCell(kValueCol, editRow_, ValueText(coef, separator_));
}

void DinoEditor::openFile() {
    const std::optional<std::string> path = dialogs_.chooseOpenFile();
    if (!path) {
        list_.addEntry("Can not open");
        return;
    }
    fileName_ = *path;
    const int read = dino_.ReadFile(fileName_);
    list_.addEntry("open OK");
    list_.addEntry("ItemsRead=" + std::to_string(read));
    if (read > 0) {
        // The grid shows what the model now holds; an edit typed over the old values
        // must not land on the loaded ones later.
        editPending_ = false;
        ShowValues();
    }
}

// Saves the model as it is: an edit still being typed is not part of it.
void DinoEditor::saveFile() {
    const std::optional<std::string> path = dialogs_.chooseSaveFile(fileName_);
    if (!path) {
        return;
    }
    fileName_ = *path;
    if (dino_.WriteFile(fileName_) == 0) {
        list_.addEntry("Can not save");
    }
}

std::string DinoEditor::ValueText(float value, char decimalSeparator) {
    const double d = value;
    if (std::isnan(d)) {
        return "NAN";
    }
    if (std::isinf(d)) {
        return d > 0 ? "INF" : "-INF";
    }
    if (d == 0) {
        return "0";
    }
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(d), std::chars_format::scientific, 14);
    const std::string sci(buf, res.ptr); // d.dddddddddddddde[+-]xx
    const size_t e = sci.find('e');
    const std::string digits = sci.substr(0, 1) + sci.substr(2, e - 2);
    const int exp = std::atoi(sci.c_str() + e + 1);
    const std::string sign = d < 0 ? "-" : "";
    if (exp < -5 || exp >= 15) {
        return sign + ScientificText(digits, exp, decimalSeparator);
    }
    return sign + FixedText(digits, exp, decimalSeparator);
}

std::optional<double> DinoEditor::ParseNumber(const std::string& text, char decimalSeparator) {
    const std::optional<double> value = ParseDecimal(text, decimalSeparator);
    // A coefficient is a float: what does not fit one is no usable number. The limit is
    // where rounding to float overflows, not FLT_MAX itself: the 15-digit text of
    // +-FLT_MAX lies just above it and must be accepted back.
    constexpr double kFloatOverflow = 0x1.ffffffp127;
    if (!value || !(std::fabs(*value) < kFloatOverflow)) {
        return std::nullopt;
    }
    return value;
}
