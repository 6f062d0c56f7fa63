#include "dyno/tform3.h"

#include "ui/string_grid.h"

#include "ui_tform3.h"

#include <QLocale>

namespace {
std::unique_ptr<Ui::TForm3> SetUp(QDialog* window) {
    auto ui = std::make_unique<Ui::TForm3>();
    ui->setupUi(window);
    return ui;
}
} // namespace

TForm3::TForm3(Dino& dino, Dialogs& dialogs, char decimalSeparator, QWidget* parent)
    : QDialog(parent), ui_(SetUp(this)), list1_(ui_->ListBox1),
      editor_(dino, *this, list1_, dialogs, decimalSeparator) {
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    StringGrid& grid = *ui_->StringGrid1;
    grid.setGridSize(2, 12);
    grid.setFixed(1, 1);
    grid.setDefaultColWidth(64);
    grid.setDefaultRowHeight(18);
    grid.setEditable(true);
    connect(&grid, &StringGrid::setEditText, this, &TForm3::StringGrid1SetEditText);
    connect(&grid, &StringGrid::selectCell, this, &TForm3::StringGrid1SelectCell);
    connect(&grid, &StringGrid::gridExit, this, &TForm3::StringGrid1Exit);
    connect(&grid, &StringGrid::keyPress, this, &TForm3::OnKeyPress);
    connect(ui_->Open1, &QAction::triggered, this, &TForm3::Open1Click);
    connect(ui_->Save1, &QAction::triggered, this, &TForm3::Save1Click);
    FormCreate();
}

TForm3::~TForm3() = default;

void TForm3::FormCreate() {
    editor_.fillWindow();
}

void TForm3::StringGrid1SetEditText(int col, int row, const std::string& text) {
    editor_.editTyped(col, row, text);
}

void TForm3::StringGrid1SelectCell(int col, int row) {
    editor_.cellSelected(col, row);
}

void TForm3::StringGrid1Exit() {
    editor_.gridLeft();
}

void TForm3::OnKeyPress(char key) {
    editor_.keyPressed(key);
}

void TForm3::Open1Click() {
    editor_.openFile();
}

void TForm3::Save1Click() {
    editor_.saveFile();
}

void TForm3::setCell(int col, int row, const std::string& text) {
    ui_->StringGrid1->setCell(col, row, text);
}

void TForm3::setEditorText(int col, int row, const std::string& text) {
    ui_->StringGrid1->setEditorText(col, row, text);
}

#include "moc_tform3.cpp"
