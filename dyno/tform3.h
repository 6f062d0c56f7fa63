#pragma once

#include "dyno/dino_editor.h"
#include "ui/qt_list_sink.h"

#include "ui/qt_text.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TForm3;
}
class Dialogs;
class Dino;

// The window "Dino": the eight coefficients in a grid, its message list and the File
// menu. It forwards the grid and menu events to DinoEditor, which does the work.
class TForm3 : public QDialog, private DinoGridView {
    Q_OBJECT
  public:
    // Creating the window fills it from the model (FormCreate). The decimal separator is
    // the one typed values and shown values use.
    TForm3(Dino& dino, Dialogs& dialogs, char decimalSeparator = SystemDecimalSeparator(),
           QWidget* parent = nullptr);
    ~TForm3() override;

    Ui::TForm3& ui() { return *ui_; }
    DinoEditor& editor() { return editor_; }

  public slots:
    void StringGrid1SetEditText(int col, int row, const std::string& text);
    void StringGrid1SelectCell(int col, int row);
    void StringGrid1Exit();
    void OnKeyPress(char key);
    void Open1Click();
    void Save1Click();

  private:
    void setCell(int col, int row, const std::string& text) override;
    void setEditorText(int col, int row, const std::string& text) override;
    void FormCreate();

    std::unique_ptr<Ui::TForm3> ui_;
    QtListSink list1_;
    DinoEditor editor_;
};
