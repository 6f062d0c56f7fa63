#pragma once

#include "core/dialogs.h"
#include "firmware/firmware_state.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TForm4;
}
class QCheckBox;
class QComboBox;
class QPushButton;

// The device-type dialog: Auto, or one of the four device types. It records the
// choice in FirmwareState; created once and shown modally by the update.
class TForm4 : public QDialog {
    Q_OBJECT

  public:
    TForm4(FirmwareState& state, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm4() override;

    void Button1Click();
    // Applies the choice, then ends the dialog.
    void FormClose();

    QCheckBox* CheckBox1() const;
    QComboBox* ComboBox1() const;
    QPushButton* Button1() const;

  public slots:
    // The close box and Escape both end the dialog through here.
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::unique_ptr<Ui::TForm4> ui_;
    FirmwareState& state_;
    Dialogs& dialogs_;
};
