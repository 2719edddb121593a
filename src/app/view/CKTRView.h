#pragma once

#include "discovery/IScanSink.h"
#include "link/LinkResult.h"
#include "link/PortOpenError.h"
#include "model/CCalCurve.h"
#include "model/CSizeList.h"

#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>

class CCounterLink;
class CKTRDoc;
class CScanController;
class CSensor;
class CSensorTree;
class CStatusProgressBar;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The main view, where all of the user's work happens. Three equal panels
// side by side, each framed by a raised edge: the sensor tree with its help
// text and "Rescan for devices"; the selected sensor's channel sizes with
// their help text and buttons; its calibration points with a caution text
// and buttons. The view routes the clicks of its buttons, the tree's
// selection changes, its timers, the posted Rescan command and the scan
// threads' reports to its On... handlers, which are defined in one file per
// concern beside this one (tree, rescan, sizes, calibration, saving).
class CKTRView : public QWidget {
    Q_OBJECT

public:
    explicit CKTRView(CKTRDoc& document, QWidget* parent = nullptr);
    ~CKTRView() override;

    CKTRDoc& GetDocument() { return m_document; }
    // The sink through which scan threads report to this view.
    IScanSink& GetScanSink();
    // The main frame's status bar, or null when the view is not in one.
    virtual CStatusProgressBar* GetStatusBar() const;

    // Called once the view, frame and document are connected: posts the
    // Rescan command, so the first scan starts when the event loop runs.
    virtual void OnInitialUpdate();
    // Runs the handler of the button with that id, as a click does.
    void OnCommand(int id);

    QRect GetTreePanel() const { return m_rcTreePanel; }
    QRect GetSizePanel() const { return m_rcSizePanel; }
    QRect GetCalPanel() const { return m_rcCalPanel; }

    // --- Size and calibration editing ---
    // Makes sensor the current one (null: none) and loads its sizes and
    // calibration points into the working copies and both lists, with both
    // changed flags clear: what selecting a sensor does to the editing state.
    void LoadSensor(CSensor* sensor);

    // --- Selection and scan state (sensor tree, flash timer, rescan) ---
    CSensor* GetCurrentSensor() const { return m_currentSensor; }
    const CSizeList& GetWorkingSizes() const { return m_sizes; }
    const CCalCurve& GetWorkingCalCurve() const { return m_calCurve; }
    bool AreSizesChanged() const { return m_sizesChanged; }
    bool AreCalsChanged() const { return m_calsChanged; }
    // True while a save programs the counter; the flash timer then rests.
    bool IsBusy() const { return m_busy; }
    bool IsFlashTimerRunning() const { return m_timerId != 0; }
    bool IsScanning() const;

protected:
    // Handlers, in the order of the view's routing.
    virtual void OnTimer(int timerId);
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

    // Rebuild the size and calibration list controls from the working copies.
    void FillSizeList();
    void FillCalList();
    // Program the working sizes (calibration points) into the current
    // sensor's counter, as "Save Sizes to counter" ("Save Points to counter")
    // does; true only when the counter took them. Leaving a sensor with
    // edits uses these too.
    virtual bool SaveSizes();
    virtual bool SavePoints();
    virtual void OnScanPortOpened(int port);
    virtual void OnScanAddressDone(int port, int address);

    // --- Size and calibration editing ---
    // The row text of a size: the counter's 3-character field (1.234 shows
    // as 1.2), so the list shows what the counter will hold.
    static QString FormatSize(double size);
    // Whether some working size equals size exactly.
    bool SizeExists(double size) const;
    // The row text of a calibration size or voltage: 3 decimals at most,
    // without trailing zeros or point.
    static QString FormatCalValue(double value);
    // Whether another working point (skip left out; null: none) has the
    // point's size or its voltage.
    bool CalPointExists(const CCalPoint& point, CCalCurve::POSITION skip) const;
    // Sort callbacks of the two lists: rows hold positions in the working
    // copies, view is the CKTRView; a row without a position sorts as 999.99.
    static int CompareSizeItems(quintptr data1, quintptr data2, quintptr view);
    static int CompareCalItems(quintptr data1, quintptr data2, quintptr view);
    // --- Sensor tree, selection and flash timer; rescan ---
    // Rebuilds the tree from the document's sensors: port items in the
    // order of each port's first sensor, only the first one expanded.
    void FillTree();
    QTreeWidgetItem* FindPortItem(int port) const;
    QTreeWidgetItem* InsertPortItem(int port);
    QTreeWidgetItem* InsertSensorItem(QTreeWidgetItem* portItem, CSensor& sensor);
    // Asks about the current sensor's edited sizes, then its edited
    // calibration, and programs what the user wants programmed. False when
    // the sensor must stay selected with its edits: Cancel, or a save the
    // user asked for that failed.
    bool AskToLeaveSensor();
    // For views of tests that stand in for the editing handlers.
    CSizeList& WorkingSizes() { return m_sizes; }
    CCalCurve& WorkingCalCurve() { return m_calCurve; }
    void SetChanged(bool sizes, bool cals) {
        m_sizesChanged = sizes;
        m_calsChanged = cals;
    }
    void SetBusy(bool busy) { m_busy = busy; }

    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
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

    // --- Size and calibration editing, saving ---
    // Sort the rows of a list with its callback.
    void SortSizeList();
    void SortCalList();
    // Run the size (point) dialog preset with a value; true, with the new
    // value, when the user confirmed one that no other size (point) shares.
    bool AskNewSize(double preset, double& size);
    bool AskNewPoint(const CCalPoint& preset, CCalCurve::POSITION skip, CCalPoint& point);
    // Taken: the counter took the table. Told: it did not, and the user has
    // been told why (port box, validation message). NotTaken: it did not,
    // and nothing has told the user yet.
    // The part that both saves share: Programming layout, the port, the
    // transfer, the one box for a failure, back to the Flashing layout;
    // m_busy set throughout.
    bool RunSave(const std::function<LinkResult(CCounterLink&)>& program, unsigned notTakenId);
    LinkResult Transfer(const std::function<LinkResult(CCounterLink&)>& program,
                        PortOpenFailure& openFailure);
    // --- Sensor tree, selection and flash timer; rescan ---
    bool SaveOnRequest(unsigned question, const char* notice, bool (CKTRView::*save)());
    bool SendFlash(CSensor& sensor, bool on);
    void StopFlashTimer();
    void ClearScanResults();

    CKTRDoc& m_document;
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
    CSizeList m_sizes;
    CCalCurve m_calCurve;
    bool m_flashOn = false;
    bool m_busy = false;
    int m_timerId = 0;
    bool m_sizesChanged = false;
    bool m_calsChanged = false;
    CSensor* m_currentSensor = nullptr;

    // --- Sensor tree, selection and flash timer; rescan ---
    // Set while a flash tick runs, a port-in-use box included.
    bool m_flashTicking = false;
    // Owns the scan threads and their sink; ends before anything else.
    std::unique_ptr<CScanController> m_scan;
};
