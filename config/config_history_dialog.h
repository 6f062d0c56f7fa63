#pragma once

#include "config/config_history.h"

#include <QDialog>

#include <functional>
#include <vector>

class QPushButton;
class QTreeWidget;

// Tools > "History...": every kept configuration, newest first, with its date, kind and
// how many elements differ from the working values.
class ConfigHistoryDialog : public QDialog {
    Q_OBJECT
  public:
    // `compare` and `restore` get the chosen entry's path.
    ConfigHistoryDialog(const ConfigHistory& history, std::function<ConfigBlock()> editorBlock,
                        std::function<void(const std::string&)> compare,
                        std::function<void(const std::string&)> restore, QWidget* parent = nullptr);

    // Lists the entries again.
    void refresh();
    QTreeWidget* entries() const { return view_; }
    void compareChosen();
    void restoreChosen();

  private:
    const std::string* chosen() const;

    const ConfigHistory& history_;
    std::function<ConfigBlock()> editorBlock_;
    std::function<void(const std::string&)> compare_;
    std::function<void(const std::string&)> restore_;
    QTreeWidget* view_;
    std::vector<HistoryRow> rows_;
};
