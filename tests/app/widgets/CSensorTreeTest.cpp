#include "app/widgets/CSensorTree.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Two ports with one sensor each; the handlers note what they were asked.
class SensorTreeTest : public testing::Test {
protected:
    SensorTreeTest() {
        tree.resize(250, 300);
        port1 = new QTreeWidgetItem(&tree, {"Comport 1"});
        sensor1 = new QTreeWidgetItem(port1, {"Sensor:01"});
        port2 = new QTreeWidgetItem(&tree, {"Comport 2"});
        sensor2 = new QTreeWidgetItem(port2, {"Sensor:02"});
        tree.SetSelectionHandlers(
            [this](QTreeWidgetItem* from, QTreeWidgetItem* to) {
                asked.push_back({from, to});
                return refuse;
            },
            [this](QTreeWidgetItem* from, QTreeWidgetItem* to) {
                changed.push_back({from, to});
            });
        tree.show();
        QApplication::processEvents();
    }

    void Click(QTreeWidgetItem* item) {
        QRect rect = tree.visualItemRect(item);
        ASSERT_TRUE(rect.isValid());
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, rect.center());
        QApplication::processEvents();
    }

    using Change = std::pair<QTreeWidgetItem*, QTreeWidgetItem*>;
    CSensorTree tree;
    QTreeWidgetItem *port1, *sensor1, *port2, *sensor2;
    std::vector<Change> asked, changed;
    bool refuse = false;
};

TEST_F(SensorTreeTest, ClickAsksBeforeAndReportsAfterTheChange) {
    Click(port1);
    Click(port2);
    EXPECT_EQ(asked, std::vector<Change>({{nullptr, port1}, {port1, port2}}));
    EXPECT_EQ(changed, asked);
    EXPECT_EQ(tree.SelectedItem(), port2);
}

TEST_F(SensorTreeTest, ClickingTheSelectedItemAsksNothing) {
    Click(port1);
    asked.clear();
    changed.clear();
    Click(port1);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(changed.empty());
}

TEST_F(SensorTreeTest, RefusedClickKeepsSelectionAndFocus) {
    Click(port1);
    refuse = true;
    changed.clear();
    Click(port2);
    EXPECT_EQ(asked.back(), Change(port1, port2));
    EXPECT_TRUE(changed.empty());
    EXPECT_EQ(tree.SelectedItem(), port1);
    EXPECT_EQ(tree.currentItem(), port1);
}

TEST_F(SensorTreeTest, RefusedKeyKeepsSelectionAndFocus) {
    Click(port1);
    refuse = true;
    changed.clear();
    tree.setFocus();
    QTest::keyClick(&tree, Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_TRUE(changed.empty());
    EXPECT_EQ(tree.SelectedItem(), port1);
    EXPECT_EQ(tree.currentItem(), port1);
    refuse = false;
    QTest::keyClick(&tree, Qt::Key_Down);
    EXPECT_NE(tree.SelectedItem(), port1);
    EXPECT_EQ(changed.size(), 1u);
}

TEST_F(SensorTreeTest, SelectingExpandsOneBranchAtATime) {
    tree.setCurrentItem(sensor1);
    EXPECT_TRUE(port1->isExpanded());
    tree.setCurrentItem(port2);
    EXPECT_TRUE(port2->isExpanded());
    EXPECT_FALSE(port1->isExpanded());
    tree.setCurrentItem(sensor2);
    EXPECT_TRUE(port2->isExpanded()) << "the branch of the new item stays open";
}

TEST_F(SensorTreeTest, RemoveAllEndsTheSelectionWithoutAsking) {
    tree.setCurrentItem(sensor1);
    asked.clear();
    changed.clear();
    refuse = true;
    tree.RemoveAll();
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(changed, std::vector<Change>({{sensor1, nullptr}}));
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_EQ(tree.SelectedItem(), nullptr);
}

} // namespace
