#include "tests/support/qt_test_app.h"
#include "ui/qt_list_sink.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {
int TopRow(QListWidget& list) {
    return list.indexAt(QPoint(2, 2)).row();
}
} // namespace

TEST(QtListSink, AppendsEntriesAndScrollsTheTopEntryDownByTheCount) {
    TestApp();
    QListWidget list;
    list.resize(200, 150);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QtListSink sink(&list);
    for (int i = 0; i < 600; ++i) {
        sink.addEntry("#" + std::to_string(i));
    }
    sink.addEntry("Read OK");
    EXPECT_EQ(list.count(), 601);
    EXPECT_EQ(list.item(600)->text().toStdString(), "Read OK");
    EXPECT_EQ(TopRow(list), 0);
    sink.scrollDown(519);
    EXPECT_EQ(TopRow(list), 519);
    sink.scrollDown(1);
    EXPECT_EQ(TopRow(list), 520);
}

TEST(QtListSink, KeepsEightBitTextAsLatin1) {
    TestApp();
    QListWidget list;
    QtListSink sink(&list);
    sink.addEntry("K\xF6r");
    EXPECT_EQ(list.item(0)->text(), QString::fromLatin1("K\xF6r"));
}
