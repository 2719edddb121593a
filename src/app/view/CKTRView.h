#pragma once

#include "app/view/CTableEditor.h"
#include "discovery/IScanSink.h"
#include "model/CCalCurve.h"
#include "model/CSizeList.h"

#include <QRect>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

class CKTRDoc;
class CScanController;
class CSelection;
class CSensor;
class CSensorTree;
class CStatusProgressBar;
class CTableSaver;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The main view, where all of the user's work happens. Three equal panels
// side by side, each framed by a raised edge: the sensor tree with its help
// text and "Rescan for devices"; the selected sensor's channel sizes with
// their help text and buttons; its calibration points with a caution text
// and buttons.
//
// The view keeps the layout and routes the clicks of its buttons, the
// tree's selection changes, the posted Rescan command and the scan threads'
// reports to its On... handlers, which hand the work to the parts that own
// the state: the selection (current sensor, flash timer), one table editor
// per list (working copy, changed flag, Add/Edit/Delete), the saver
// (programming a table) and the scan controller (the scan threads).
class CKTRView : public QWidget {
    Q_OBJECT

public:
    // bar: the frame's status bar, which the view and its parts drive;
    // null when the view stands alone.
    CKTRView(CKTRDoc& document, CStatusProgressBar* bar, QWidget* parent = nullptr);
    ~CKTRView() override;

    CKTRDoc& GetDocument() { return m_document; }
    CStatusProgressBar* GetStatusBar() const { return m_bar; }
    // The sink through which scan threads report to this view.
    IScanSink& GetScanSink();
    bool IsScanning() const;
    // Ends a running scan at once (the program is quitting): the threads
    // are told to stop and their boxes are answered.
    void StopScan();

    // Called once the view, frame and document are connected: posts the
    // Rescan command, so the first scan starts when the event loop runs.
    virtual void OnInitialUpdate();
    // Runs the handler of the button with that id, as a click does.
    void OnCommand(int id);
    // View > Scan report...: how the last scan went, port by port.
    virtual void OnScanReport();

    QRect GetTreePanel() const { return m_rcTreePanel; }
    QRect GetSizePanel() const { return m_rcSizePanel; }
    QRect GetCalPanel() const { return m_rcCalPanel; }

    CSelection& Selection() { return *m_selection; }
    CTableEditor<CSizeList>& Sizes() { return *m_sizes; }
    CTableEditor<CCalCurve>& Cals() { return *m_cals; }
    // Makes sensor current (null: none) and loads its tables into both
    // editors with their changed flags clear: what selecting it does, but
    // for the status bar.
    void LoadSensor(CSensor* sensor);

protected:
    // Handlers, in the order of the view's routing.
    virtual void OnRescan();
    // Return true to refuse the change; the old item then stays selected.
    virtual bool OnTreeSelChanging(QTreeWidgetItem* oldItem, QTreeWidgetItem* newItem);
    virtual void OnTreeSelChanged(QTreeWidgetItem* oldItem, QTreeWidgetItem* newItem);
    virtual void OnAddSize();
    virtual void OnEditSize();
    virtual void OnDeleteSize();
    virtual void OnSaveSizes();
    virtual void OnAddCal();
    virtual void OnEditCal();
    virtual void OnDeleteCal();
    virtual void OnSavePoints();
    virtual void OnSensorFound(std::unique_ptr<CSensor> sensor);
    virtual void OnScanPortOpened(int port);
    virtual void OnScanAddressDone(int port, int address);

    // Program the working sizes (calibration points) into the current
    // sensor's counter; true only when the counter took them.
    virtual bool SaveSizes();
    virtual bool SavePoints();
    // Rebuilds the tree from the document's sensors.
    void FillTree();
    // Asks about the current sensor's edited sizes, then its edited
    // calibration, and programs what the user wants programmed. False when
    // the sensor must stay selected with its edits: Cancel, or a save the
    // user asked for that failed.
    bool AskToLeaveSensor();

    void customEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    QLabel* CreateText(unsigned textId, const char* name);
    QPushButton* CreateButton(int id, unsigned textId, const char* name);
    QTreeWidget* CreateList(int id, const char* name);
    void PlaceControls();
    void PlacePanelControls(const QRect& panel, QWidget* text, QWidget* list,
                            QPushButton* const (&row)[3], QPushButton* bottom);
    bool SaveOnRequest(unsigned question, const char* notice, bool (CKTRView::*save)());
    void ClearScanResults();

    CKTRDoc& m_document;
    CStatusProgressBar* m_bar;
    QRect m_rcTreePanel;
    QRect m_rcSizePanel;
    QRect m_rcCalPanel;
    CSensorTree* m_tree = nullptr;
    QTreeWidget* m_sizeListCtrl = nullptr;
    QTreeWidget* m_calListCtrl = nullptr;
    QLabel* m_step1Text = nullptr;
    QLabel* m_step2Text = nullptr;
    QLabel* m_cautionText = nullptr;
    QPushButton* m_btnRescan = nullptr;
    QPushButton* m_btnAddSize = nullptr;
    QPushButton* m_btnEditSize = nullptr;
    QPushButton* m_btnDeleteSize = nullptr;
    QPushButton* m_btnSaveSizes = nullptr;
    QPushButton* m_btnAddCal = nullptr;
    QPushButton* m_btnEditCal = nullptr;
    QPushButton* m_btnDeleteCal = nullptr;
    QPushButton* m_btnSavePoints = nullptr;

    std::unique_ptr<CSelection> m_selection;
    std::unique_ptr<CTableEditor<CSizeList>> m_sizes;
    std::unique_ptr<CTableEditor<CCalCurve>> m_cals;
    std::unique_ptr<CTableSaver> m_saver;
    // The last scan's report, one line per port and per counter passed over.
    std::vector<std::string> m_scanReport;
    // Owns the scan threads and their sink; ends before anything else.
    std::unique_ptr<CScanController> m_scan;
};
