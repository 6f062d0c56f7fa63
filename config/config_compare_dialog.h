#pragma once

#include "config/config_compare.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The Config window's "Compare" box: what differs between the editor and a file or the
// device, by parameter, with the chosen differences taken over on request.
class ConfigCompareDialog : public QDialog {
    Q_OBJECT
  public:
    // `showParameter` selects a catalogue parameter in the Config window's tree;
    // `tookOver` runs after working values changed.
    ConfigCompareDialog(ConfigCompare& compare, std::function<void(int par)> showParameter,
                        std::function<void()> tookOver, QWidget* parent = nullptr);

    // Against a block at hand, then shown; false when nothing was compared.
    bool compareWithBlock(const ConfigBlock& block, const std::string& name);
    void compareWithFile();
    void compareWithDevice();
    void takeOverSelected();
    void exportReport();

    QTreeWidget* differencesView() const { return view_; }
    QString status() const;

  private:
    void showResult();
    void addParameter(const ParameterDifference& difference);
    std::vector<ElementRef> selectedElements() const;

    ConfigCompare& compare_;
    std::function<void(int)> showParameter_;
    std::function<void()> tookOver_;
    QLabel* status_;
    QLabel* note_;
    QTreeWidget* view_;
    QPushButton* takeOver_;
    QPushButton* export_;
};
