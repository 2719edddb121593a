#include "app/view/CKTRView.h"
#include "app/CKTRDoc.h"
#include "app/CMainFrame.h"
#include "app/ControlIds.h"
#include "app/seams/CScanEvent.h"
#include "app/widgets/CProgressCtrl.h"
#include "app/widgets/CSensorTree.h"
#include "app/widgets/CStatusProgressBar.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QString Text(unsigned id) {
    return QString::fromStdString(LoadString(id));
}

QRect EdgeRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

// A view in its frame, laid out as the user sees it.
class ViewTest : public testing::Test {
protected:
    ViewTest() : frame(doc) {
        frame.Create();
        frame.show();
        QApplication::processEvents();
        view = frame.GetView();
    }

    template <typename W = QWidget> W* Control(const char* name) {
        W* widget = view->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    CKTRDoc doc;
    CMainFrame frame;
    CKTRView* view = nullptr;
};

TEST_F(ViewTest, FillsTheSpaceBetweenMenuAndStatusBar) {
    QWidget* bar = &frame.GetStatusBar();
    EXPECT_EQ(view->width(), 800);
    EXPECT_EQ(view->mapTo(&frame, QPoint(0, 0)).y(), frame.menuBar()->height());
    EXPECT_EQ(view->mapTo(&frame, QPoint(0, view->height())).y(), bar->mapTo(&frame, QPoint()).y());
    EXPECT_EQ(bar->mapTo(&frame, QPoint(0, bar->height())).y(), 600);
}

TEST_F(ViewTest, ThreePanelsOfEqualWidthTouchEachOther) {
    int w = view->width() / 3 - 1, h = view->height();
    EXPECT_EQ(view->GetTreePanel(), EdgeRect(0, 0, w, h));
    EXPECT_EQ(view->GetSizePanel(), EdgeRect(w, 0, 2 * w, h));
    EXPECT_EQ(view->GetCalPanel(), EdgeRect(2 * w, 0, 3 * w, h));
    EXPECT_EQ(view->GetTreePanel().right() + 1, view->GetSizePanel().left());
    EXPECT_EQ(view->GetSizePanel().right() + 1, view->GetCalPanel().left());
}

TEST_F(ViewTest, PaintsRaisedPanelsOnLightGrey) {
    QImage image = view->grab().toImage();
    int h = view->height();
    QColor grey(192, 192, 192);
    for (const QRect& panel : {view->GetTreePanel(), view->GetSizePanel(), view->GetCalPanel()}) {
        int middle = panel.left() + 5;
        EXPECT_EQ(image.pixelColor(middle, h / 2), grey);
        // Lit from the top left: light outer edges there, dark ones opposite.
        EXPECT_GT(image.pixelColor(panel.left(), h / 2).lightness(), grey.lightness());
        EXPECT_GT(image.pixelColor(middle, 0).lightness(), grey.lightness());
        EXPECT_LT(image.pixelColor(panel.right(), h / 2).lightness(), grey.lightness());
        EXPECT_LT(image.pixelColor(middle, h - 1).lightness(), grey.lightness());
    }
}

TEST_F(ViewTest, CreatesItsFifteenControlsInOrderAtTheirRectangles) {
    int w = view->width() / 3 - 1, H = view->height(), T = H / 3;
    struct Expected {
        const char* name;
        int id;
        QRect rect;
    };
    std::vector<Expected> expected;
    auto panel = [&](int L, std::vector<std::pair<const char*, int>> controls, int listBottom) {
        int R = L + w, B = (R - L - 20) / 3;
        std::vector<QRect> rects = {EdgeRect(L + 10, 10, R - 10, T),
                                    EdgeRect(L + 10, T + 10, R - 10, listBottom)};
        if (controls.size() == 6) // text, list, three buttons, wide button
            for (int i = 0; i < 3; ++i)
                rects.push_back(EdgeRect(L + 10 + i * B, H - 70, L + 10 + (i + 1) * B, H - 40));
        rects.push_back(EdgeRect(L + 10, H - 40, R - 10, H - 10));
        for (size_t i = 0; i < controls.size(); ++i)
            expected.push_back({controls[i].first, controls[i].second, rects[i]});
    };
    panel(0,
          {{"step1Text", IDC_STATIC},
           {"IDC_SENSOR_TREE", IDC_SENSOR_TREE},
           {"IDC_RESCAN", IDC_RESCAN}},
          H - 50);
    panel(w,
          {{"step2Text", IDC_STATIC},
           {"IDC_SIZE_LIST", IDC_SIZE_LIST},
           {"IDC_ADD_SIZE", IDC_ADD_SIZE},
           {"IDC_EDIT_SIZE", IDC_EDIT_SIZE},
           {"IDC_DELETE_SIZE", IDC_DELETE_SIZE},
           {"IDC_SAVE_SIZES", IDC_SAVE_SIZES}},
          H - 80);
    panel(2 * w,
          {{"cautionText", IDC_STATIC},
           {"IDC_CAL_LIST", IDC_CAL_LIST},
           {"IDC_ADD_CAL", IDC_ADD_CAL},
           {"IDC_EDIT_CAL", IDC_EDIT_CAL},
           {"IDC_DELETE_CAL", IDC_DELETE_CAL},
           {"IDC_SAVE_POINTS", IDC_SAVE_POINTS}},
          H - 80);
    std::vector<QWidget*> children;
    for (QObject* child : view->children())
        if (auto* widget = qobject_cast<QWidget*>(child))
            children.push_back(widget);
    ASSERT_EQ(children.size(), 15u);
    ASSERT_EQ(expected.size(), 15u);
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(children[i]->objectName(), expected[i].name);
        EXPECT_EQ(children[i]->property(kCtrlIdProperty).toInt(), expected[i].id);
        EXPECT_EQ(children[i]->geometry(), expected[i].rect);
        EXPECT_TRUE(children[i]->isEnabled());
        EXPECT_TRUE(children[i]->isVisible());
    }
}

TEST_F(ViewTest, HelpTextsAreShownVerbatimAsPlainWrappingText) {
    const std::pair<const char*, unsigned> texts[] = {{"step1Text", IDS_STEP1_HELP},
                                                      {"step2Text", IDS_STEP2_HELP},
                                                      {"cautionText", IDS_CAUTION_HELP}};
    for (const auto& [name, id] : texts) {
        auto* label = Control<QLabel>(name);
        EXPECT_EQ(label->text(), Text(id));
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_TRUE(label->wordWrap());
    }
    EXPECT_TRUE(Control<QLabel>("cautionText")->text().contains("\n if your not sure"));
    EXPECT_TRUE(Control<QLabel>("cautionText")->text().contains("To Edit a  point"));
}

TEST_F(ViewTest, ButtonsCarryTheirTexts) {
    const std::pair<const char*, const char*> buttons[] = {
        {"IDC_RESCAN", "Rescan for devices"},
        {"IDC_ADD_SIZE", "Add"},
        {"IDC_EDIT_SIZE", "Edit"},
        {"IDC_DELETE_SIZE", "Delete"},
        {"IDC_SAVE_SIZES", "Save Sizes to counter"},
        {"IDC_ADD_CAL", "Add"},
        {"IDC_EDIT_CAL", "Edit"},
        {"IDC_DELETE_CAL", "Delete"},
        {"IDC_SAVE_POINTS", "Save Points to counter"}};
    for (const auto& [name, text] : buttons)
        EXPECT_EQ(Control<QPushButton>(name)->text(), text);
}

TEST_F(ViewTest, ListsHaveFixedColumnsAndUnsortingHeaders) {
    int w = view->width() / 3 - 1;
    auto* sizes = Control<QTreeWidget>("IDC_SIZE_LIST");
    auto* cals = Control<QTreeWidget>("IDC_CAL_LIST");
    ASSERT_EQ(sizes->columnCount(), 1);
    EXPECT_EQ(sizes->headerItem()->text(0), QString::fromUtf8("Sizes(\u00b5)"));
    EXPECT_EQ(sizes->columnWidth(0), w - 40);
    ASSERT_EQ(cals->columnCount(), 2);
    EXPECT_EQ(cals->headerItem()->text(0), QString::fromUtf8("Sizes(\u00b5)"));
    EXPECT_EQ(cals->headerItem()->text(1), "Voltage(mV)");
    EXPECT_EQ(cals->columnWidth(0), (w - 20) / 2);
    EXPECT_EQ(cals->columnWidth(1), (w - 20) / 2);
    // Clicking a heading sorts nothing.
    auto* row = new QTreeWidgetItem(cals, {"2", "20"});
    new QTreeWidgetItem(cals, {"1", "10"});
    QTest::mouseClick(cals->header()->viewport(), Qt::LeftButton, {},
                      QPoint(cals->header()->sectionPosition(0) + 5, 5));
    EXPECT_EQ(cals->topLevelItem(0), row);
}

TEST_F(ViewTest, ScanReportsAddToTheDocumentAndTheProgress) {
    CStatusProgressBar& bar = frame.GetStatusBar();
    bar.ShowScanning();
    IScanSink& sink = view->GetScanSink();
    sink.Post(ScanEvent::Of(ScanEvent::Kind::PortOpened, 3));
    sink.Post(ScanEvent::Of(ScanEvent::Kind::PortOpened, 5));
    ScanEvent found = ScanEvent::Of(ScanEvent::Kind::SensorFound, 3, 7);
    found.sensor = std::make_unique<CSensor>();
    found.sensor->SetPort(3);
    found.sensor->SetAddress(7);
    found.sensor->SetModel("ABC");
    found.sensor->GetSizes().AddTail(0.3);
    sink.Post(std::move(found));
    for (int address = 0; address < 3; ++address)
        sink.Post(ScanEvent::Of(ScanEvent::Kind::AddressDone, 3, address));
    QApplication::sendPostedEvents(view);
    EXPECT_EQ(bar.GetProgressCtrl().GetUpper(), 64);
    EXPECT_EQ(bar.GetProgressCtrl().GetPos(), 3);
    ASSERT_EQ(doc.GetSensors().size(), 1u);
    const CSensor& kept = doc.GetSensors().front();
    EXPECT_EQ(kept.GetPort(), 3);
    EXPECT_EQ(kept.GetAddress(), 7);
    EXPECT_EQ(kept.GetModel(), "ABC");
    EXPECT_EQ(kept.GetSizes().GetCount(), 1);
}

// A view that notes which handler ran, with what.
class RecordingView : public CKTRView {
public:
    using CKTRView::CKTRView;
    std::vector<std::string> calls;
    bool refuse = false;

protected:
    void OnRescan() override { calls.push_back("OnRescan"); }
    bool OnTreeSelChanging(QTreeWidgetItem* from, QTreeWidgetItem* to) override {
        calls.push_back("OnTreeSelChanging " + Name(from) + " " + Name(to));
        return refuse;
    }
    void OnTreeSelChanged(QTreeWidgetItem* from, QTreeWidgetItem* to) override {
        calls.push_back("OnTreeSelChanged " + Name(from) + " " + Name(to));
    }
    void OnAddSize() override { calls.push_back("OnAddSize"); }
    void OnEditSize() override { calls.push_back("OnEditSize"); }
    void OnDeleteSize() override { calls.push_back("OnDeleteSize"); }
    void OnSaveSizes() override { calls.push_back("OnSaveSizes"); }
    void OnAddCal() override { calls.push_back("OnAddCal"); }
    void OnEditCal() override { calls.push_back("OnEditCal"); }
    void OnDeleteCal() override { calls.push_back("OnDeleteCal"); }
    void OnSavePoints() override { calls.push_back("OnSavePoints"); }
    void OnSensorFound(std::unique_ptr<CSensor> s) override {
        calls.push_back("OnSensorFound " + s->GetModel());
    }
    void OnScanPortOpened(int port) override {
        calls.push_back("OnScanPortOpened " + std::to_string(port));
    }
    void OnScanAddressDone(int port, int address) override {
        calls.push_back("OnScanAddressDone " + std::to_string(port) + " " +
                        std::to_string(address));
    }

private:
    static std::string Name(QTreeWidgetItem* item) {
        return item ? item->text(0).toStdString() : "none";
    }
};

class RoutingTest : public testing::Test {
protected:
    RoutingTest() : view(doc, nullptr) { view.resize(800, 540); }
    CKTRDoc doc;
    RecordingView view;
};

TEST_F(RoutingTest, FirstUpdatePostsExactlyOneRescan) {
    view.OnInitialUpdate();
    EXPECT_TRUE(view.calls.empty()) << "posted, not run at once";
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(view.calls, std::vector<std::string>({"OnRescan"}));
}

TEST_F(RoutingTest, EachButtonReachesItsHandler) {
    const std::pair<const char*, const char*> routes[] = {
        {"IDC_RESCAN", "OnRescan"},         {"IDC_ADD_SIZE", "OnAddSize"},
        {"IDC_EDIT_SIZE", "OnEditSize"},    {"IDC_DELETE_SIZE", "OnDeleteSize"},
        {"IDC_SAVE_SIZES", "OnSaveSizes"},  {"IDC_ADD_CAL", "OnAddCal"},
        {"IDC_EDIT_CAL", "OnEditCal"},      {"IDC_DELETE_CAL", "OnDeleteCal"},
        {"IDC_SAVE_POINTS", "OnSavePoints"}};
    for (const auto& [name, handler] : routes) {
        view.calls.clear();
        auto* button = view.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(view.calls, std::vector<std::string>({handler})) << name;
    }
}

TEST_F(RoutingTest, ScanEventsReachTheirHandlersInOrder) {
    using Kind = ScanEvent::Kind;
    ScanEvent found = ScanEvent::Of(Kind::SensorFound, 4, 2);
    found.sensor = std::make_unique<CSensor>();
    found.sensor->SetModel("XYZ");
    QApplication::postEvent(&view, new CScanEvent(ScanEvent::Of(Kind::PortOpened, 4)));
    QApplication::postEvent(&view, new CScanEvent(std::move(found)));
    // What only a scan report needs passes the view by.
    QApplication::postEvent(&view, new CScanEvent(ScanEvent::Of(Kind::PassedOver, 4, 3)));
    QApplication::postEvent(&view, new CScanEvent(ScanEvent::Of(Kind::AddressDone, 4, 2)));
    QApplication::postEvent(&view, new CScanEvent(ScanEvent::Of(Kind::PortOutcome, 4)));
    QApplication::sendPostedEvents(&view);
    EXPECT_EQ(view.calls, std::vector<std::string>({"OnScanPortOpened 4", "OnSensorFound XYZ",
                                                    "OnScanAddressDone 4 2"}));
}

TEST_F(RoutingTest, TreeSelectionAsksFirstAndReportsAfter) {
    auto* tree = view.findChild<CSensorTree*>("IDC_SENSOR_TREE");
    auto* a = new QTreeWidgetItem(tree, {"A"});
    auto* b = new QTreeWidgetItem(tree, {"B"});
    tree->setCurrentItem(a);
    EXPECT_EQ(view.calls,
              std::vector<std::string>({"OnTreeSelChanging none A", "OnTreeSelChanged none A"}));
    view.calls.clear();
    view.refuse = true;
    tree->setCurrentItem(b);
    QApplication::processEvents();
    EXPECT_EQ(view.calls, std::vector<std::string>({"OnTreeSelChanging A B"}));
    EXPECT_EQ(tree->SelectedItem(), a);
    EXPECT_EQ(tree->currentItem(), a);
}

} // namespace
