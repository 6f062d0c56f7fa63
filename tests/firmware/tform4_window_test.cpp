#include "fakes/fake_dialogs.h"
#include "firmware/tform4.h"
#include "tests/support/qt_test_app.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TForm4Window : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { TestApp(); }

    void showAndFocusAuto() {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        form.CheckBox1()->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        ASSERT_TRUE(form.CheckBox1()->hasFocus());
    }

    FirmwareState state;
    FakeDialogs dialogs;
    TForm4 form{state, dialogs};
};

} // namespace

TEST_F(TForm4Window, LayoutCaptionsAndInitialState) {
    EXPECT_EQ(form.windowTitle(), "Form4");
    EXPECT_EQ(form.size(), QSize(319, 143));
    EXPECT_EQ(form.pos(), QPoint(0, 0));
    EXPECT_EQ(form.CheckBox1()->objectName(), "CheckBox1");
    EXPECT_EQ(form.CheckBox1()->text(), "Auto");
    EXPECT_TRUE(form.CheckBox1()->isChecked());
    EXPECT_EQ(form.CheckBox1()->geometry(), QRect(32, 42, 97, 17));
    QComboBox* combo = form.ComboBox1();
    EXPECT_EQ(combo->geometry(), QRect(160, 40, 145, 21));
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->currentText(), "Choose device type");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i);
    }
    EXPECT_EQ(items,
              (QStringList{"display_2016", "controller_2016", "display_2018", "controller_2018"}));
    EXPECT_EQ(form.Button1()->text(), "Set");
    EXPECT_EQ(form.Button1()->geometry(), QRect(32, 88, 75, 25));
}

TEST_F(TForm4Window, LeavingAutoAppliesTheChoiceAtOnce) {
    showAndFocusAuto();
    form.CheckBox1()->setChecked(false);
    form.ComboBox1()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Choose type of device"});

    // Back on Auto and away again: the choice becomes Auto without a box.
    form.CheckBox1()->setFocus(Qt::TabFocusReason);
    form.CheckBox1()->setChecked(true);
    form.Button1()->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(state.deviceTypeChoice, kAutoDeviceType);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(TForm4Window, SetRecordsTheItemAndClosingAppliesItAgain) {
    showAndFocusAuto();
    form.CheckBox1()->setChecked(false);
    form.ComboBox1()->setCurrentIndex(2);
    QTest::mouseClick(form.Button1(), Qt::LeftButton);
    EXPECT_EQ(state.deviceTypeChoice, 3);
    EXPECT_TRUE(form.isVisible());

    form.ComboBox1()->setCurrentIndex(3);
    form.close();
    EXPECT_EQ(state.deviceTypeChoice, 4);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(TForm4Window, ClosingWithoutAnItemShowsTheBoxAndKeepsTheChoice) {
    state.deviceTypeChoice = 2;
    form.show();
    form.CheckBox1()->setChecked(false);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(state.deviceTypeChoice, 2);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Choose type of device"});
}
