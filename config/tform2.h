#pragma once

#include "config/catalogue.h"
#include "config/config_compare.h"
#include "config/config_editor.h"
#include "config/config_transfers.h"
#include "config/gfg_pars.h"
#include "core/dialogs.h"
#include "link/comm_device.h"
#include "ui/qt_list_sink.h"

#include "ui/qt_text.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TForm2;
}
class QTreeWidgetItem;
class StringGrid;
class ConfigCompareDialog;

// The configuration editor window, caption "Config". Created once; the main window
// shows it modally, and it keeps tree, grid, list and working values between showings.
class TForm2 : public QDialog, private ConfigGridView {
    Q_OBJECT
  public:
    TForm2(CommDevice& port, GfgPars& pars, Dialogs& dialogs, QWidget* parent = nullptr,
           char decimalSeparator = SystemDecimalSeparator());
    ~TForm2() override;

    void OpenConfig1Click() { transfers_.OpenConfig1Click(); }
    void SaveConfig1Click() { transfers_.SaveConfig1Click(); }
    void Read1Click() { transfers_.Read1Click(); }
    void Write1Click() { transfers_.Write1Click(); }
    // The Tools menu beside File.
    void Compare1Click();
    void ExportText1Click() { compare_.ExportConfig(); }

    ConfigEditor& editor() { return editor_; }
    ConfigTransfers& transfers() { return transfers_; }
    ConfigCompareDialog& compareDialog() { return *compareDialog_; }
    const WorkingValues& working() const { return working_; }
    // The tree node showing kCatalogueTree[index].
    QTreeWidgetItem* treeNode(size_t index) const;

  private:
    void FormCreate();
    void buildTree();
    void showEditor();
    void selectParameter(int par);

    int selectedNode() const override;
    void setGridVisible(bool visible) override;
    void setGridSize(int cols, int rows) override;
    void setCell(int col, int row, const std::string& text) override;
    void setEditorText(int col, int row, const std::string& text) override;

    std::unique_ptr<Ui::TForm2> ui_;
    StringGrid* grid_;
    QtListSink list_;
    WorkingValues working_;
    ConfigEditor editor_;
    ConfigTransfers transfers_;
    ConfigCompare compare_;
    ConfigCompareDialog* compareDialog_;
    std::vector<QTreeWidgetItem*> nodes_;
};
