#include "tests/support/qt_test_app.h"
#include "ui/message_list.h"

#include <QAccessible>
#include <QClipboard>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>

namespace {

struct ShownList {
    QApplication& app = TestApp();
    MessageList list;
    ShownList() {
        list.resize(200, 150);
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
    }
    int topRow() { return list.indexAt(QPoint(2, 2)).row(); }
};

TEST(MessageList, KeepsEveryEntryInOrderAndScrollsTheTopEntryByTheCount) {
    ShownList s;
    for (int i = 0; i < 600; ++i) {
        s.list.addEntry("#" + std::to_string(i));
    }
    s.list.addEntry("");
    s.list.addEntry("K\xF6r");
    ASSERT_EQ(s.list.count(), 602);
    EXPECT_EQ(s.list.entry(0), "#0");
    EXPECT_EQ(s.list.entry(599), "#599");
    EXPECT_EQ(s.list.entry(600), "");
    EXPECT_EQ(s.list.entry(601), "K\xF6r");
    EXPECT_EQ(s.list.model()->index(601, 0).data().toString(), QString::fromLatin1("K\xF6r"));
    EXPECT_EQ(s.topRow(), 0);
    s.list.scrollDown(519);
    EXPECT_EQ(s.topRow(), 519);
    s.list.scrollDown(1);
    EXPECT_EQ(s.topRow(), 520);
}

// The region the list's rows were repainted in since the last call.
struct PaintedRegion : QObject {
    QRegion region;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            region += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
    QRegion take() {
        // Layouts and repaints wait on zero-time timers: wait until a pause brings none.
        QRegion all;
        do {
            all += std::exchange(region, QRegion());
            QTest::qWait(20);
        } while (!region.isEmpty());
        return all;
    }
};

TEST(MessageList, ANewEntryRepaintsItsOwnRowOnly) {
    ShownList s;
    PaintedRegion painted;
    s.list.viewport()->installEventFilter(&painted);
    s.list.addEntry("WWWWWWWWWW");
    painted.take();
    s.list.addEntry("W");
    const QRect first = s.list.visualRect(s.list.model()->index(0, 0));
    const QRect second = s.list.visualRect(s.list.model()->index(1, 0));
    QRegion region = painted.take();
    EXPECT_TRUE(region.contains(second));
    EXPECT_FALSE(region.intersects(first));
    for (int i = 0; i < 50; ++i) { // past the bottom: the scroll bar appears
        s.list.addEntry("W");
    }
    painted.take();
    s.list.addEntry("W");
    region = painted.take();
    EXPECT_FALSE(region.intersects(first));
    EXPECT_FALSE(region.intersects(second));
}

TEST(MessageList, ALongEntryScrollsSidewaysEndGoesToTheLastEntryAndCopyTakesItWhole) {
    ShownList s;
    s.list.addEntry("short");
    QCoreApplication::processEvents();
    EXPECT_EQ(s.list.horizontalScrollBar()->maximum(), 0);
    const std::string wide = "parser,len= 65536, addr=" + std::string(60, '7');
    s.list.addEntry(wide);
    s.list.addEntry("short again");
    QCoreApplication::processEvents();
    EXPECT_GT(s.list.horizontalScrollBar()->maximum(), 0);
    EXPECT_GE(s.list.visualRect(s.list.model()->index(2, 0)).width(),
              s.list.fontMetrics().horizontalAdvance(QString::fromStdString(wide)));
    s.list.setCurrentIndex(s.list.model()->index(1, 0));
    QTest::keySequence(&s.list, QKeySequence::Copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), wide);
    QTest::keyClick(&s.list, Qt::Key_End);
    QTest::keySequence(&s.list, QKeySequence::Copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "short again");
    QTest::keyClick(&s.list, Qt::Key_Home);
    EXPECT_EQ(s.list.currentIndex().row(), 0);
}

// A screen reader meets the entries as a list's items, as in the other windows' lists.
TEST(MessageList, ReachesAssistiveTechnologyAsAListWithOneItemPerEntry) {
    ShownList s;
    for (const char* text : {"Cmd Connect", "Connected", "Read ERR2 = 0"}) {
        s.list.addEntry(text);
    }
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&s.list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    ASSERT_EQ(list->childCount(), 3);
    QAccessibleInterface* item = list->child(1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->role(), QAccessible::ListItem);
    EXPECT_EQ(item->text(QAccessible::Name), QStringLiteral("Connected"));
    EXPECT_EQ(list->indexOfChild(item), 1);
    EXPECT_EQ(item->parent(), list);
    EXPECT_EQ(list->child(1), item); // asked again, the same item
    EXPECT_EQ(list->child(3), nullptr);
    s.list.addEntry("Time=0m0s");
    EXPECT_EQ(list->childCount(), 4);
    const QRect row = item->rect();
    EXPECT_EQ(list->childAt(row.center().x(), row.center().y()), item);
}

} // namespace
