#pragma once

#include "core/dialogs.h"
#include "core/list_sink.h"
#include "dyno/dino.h"

#include <optional>
#include <string>

// The coefficient grid as the Dino window's logic sees it (column first).
class DinoGridView {
  public:
    virtual ~DinoGridView() = default;
    virtual void setCell(int col, int row, const std::string& text) = 0;
    // Replaces the text of the cell being edited, its open editor included.
    virtual void setEditorText(int col, int row, const std::string& text) = 0;
};

// What the Dino window does with the grid, its list and its menu, without the toolkit.
// Rows 1 to 8 of the grid show coefficients 0 to 7; a typed value reaches the model
// only when it is committed (Enter, another cell, or the grid losing the focus).
class DinoEditor {
  public:
    static constexpr int kValueCol = 1;
    static constexpr int kEditChars = 5;

    DinoEditor(Dino& dino, DinoGridView& grid, ListSink& list, Dialogs& dialogs,
               char decimalSeparator);

    void fillWindow();
    void editTyped(int col, int row, const std::string& value);
    void cellSelected(int col, int row);
    void gridLeft();
    void keyPressed(char key);
    void openFile();
    void saveFile();

    const std::string& fileName() const { return fileName_; }
    const std::string& editText() const { return editText_; }
    int editRow() const { return editRow_; }
    int editCol() const { return editCol_; }
    bool editPending() const { return editPending_; }

    // 15 significant digits, fixed notation where it fits, no trailing zeros.
    static std::string ValueText(float value, char decimalSeparator);
    // A decimal number with the given separator and an optional exponent, blanks allowed
    // around it; nothing for any other text.
    static std::optional<double> ParseNumber(const std::string& text, char decimalSeparator);

  private:
    void Commit();
    void ShowValues();
    bool IsCoefficientRow(int row) const { return row >= 1 && row <= dino_.Count(); }

    Dino& dino_;
    DinoGridView& grid_;
    ListSink& list_;
    Dialogs& dialogs_;
    char separator_;

    std::string fileName_;
    int editRow_ = 0;
    int editCol_ = 0;
    std::string editText_;
    bool editPending_ = false;
};
