#pragma once

#include "config/catalogue.h"
#include "config/config_compare.h"
#include "config/config_editor.h"
#include "config/config_history.h"
#include "config/config_transfers.h"
#include "config/config_undo.h"
#include "config/gfg_pars.h"
#include "core/dialogs.h"
#include "link/comm_device.h"
#include "ui/qt_list_sink.h"

#include "ui/qt_text.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TForm2;
}
class QTreeWidgetItem;
class StringGrid;
class ConfigCompareDialog;
class ConfigHistoryDialog;
class MapView;
class QLineEdit;

// The configuration editor window, caption "Config". Created once; the main window
// shows it modally, and it keeps tree, grid, list and working values between showings.
class TForm2 : public QDialog, private ConfigGridView {
    Q_OBJECT
  public:
    TForm2(CommDevice& port, GfgPars& pars, Dialogs& dialogs, QWidget* parent = nullptr,
           char decimalSeparator = SystemDecimalSeparator());
    ~TForm2() override;

    void OpenConfig1Click() { transfers_.openConfig(); }
    void SaveConfig1Click() { transfers_.saveConfig(); }
    void Read1Click() { transfers_.readDevice(); }
    void Write1Click() { transfers_.writeDevice(); }
    // The Tools menu beside File.
    void Compare1Click();
    void ExportText1Click() { compare_.ExportConfig(); }
    void History1Click();
    // The Edit menu between them, also the grid's context menu.
    void Undo1Click() { editor_.undo(); }
    void Redo1Click() { editor_.redo(); }
    void Copy1Click();
    void Paste1Click();
    void SetTo1Click() { editSelection(RangeOp::Set, "Set to"); }
    void Add1Click() { editSelection(RangeOp::Add, "Add"); }
    void MultiplyBy1Click() { editSelection(RangeOp::Multiply, "Multiply by"); }
    void Interpolate1Click() { editor_.editRange(selection(), RangeOp::Interpolate); }
    void Smooth1Click() { editor_.editRange(selection(), RangeOp::Smooth); }

    // Asks for the number of a range edit; the Qt input box unless a test replaces it.
    std::function<std::optional<std::string>(const std::string& label)> askNumber;

    ConfigEditor& editor() { return editor_; }
    ConfigTransfers& transfers() { return transfers_; }
    ConfigCompareDialog& compareDialog() { return *compareDialog_; }
    ConfigHistoryDialog& historyDialog() { return *historyDialog_; }
    ConfigUndo& undoSteps() { return undo_; }
    MapView& mapView() { return *mapView_; }
    StringGrid& grid() { return *grid_; }
    QLineEdit& filter() { return *filter_; }
    // The grid cells selected, or the current cell alone.
    CellRange selection() const;
    const WorkingValues& working() const { return working_; }
    // The tree node showing kCatalogueTree[index].
    QTreeWidgetItem* treeNode(size_t index) const;

  private:
    void FormCreate();
    void buildTree();
    void showEditor();
    void selectParameter(int par);
    void editSelection(RangeOp op, const std::string& label);
    void valuesChanged();
    void tint(int col, int row);
    void filterTree(const QString& text);
    void placeClientArea();
    bool eventFilter(QObject* watched, QEvent* event) override;

    int selectedNode() const override;
    void setGridVisible(bool visible) override;
    void setGridSize(int cols, int rows) override;
    void setCell(int col, int row, const std::string& text) override;
    void setEditorText(int col, int row, const std::string& text) override;
    void showParameter(int par) override { selectParameter(par); }

    std::unique_ptr<Ui::TForm2> ui_;
    StringGrid* grid_;
    QtListSink list_;
    GfgPars& pars_;
    char sep_;
    WorkingValues working_;
    ConfigUndo undo_;
    ConfigHistory history_;
    ConfigEditor editor_;
    ConfigTransfers transfers_;
    ConfigCompare compare_;
    ConfigCompareDialog* compareDialog_;
    ConfigHistoryDialog* historyDialog_;
    MapView* mapView_;
    QLineEdit* filter_;
    std::vector<QTreeWidgetItem*> nodes_;
};
