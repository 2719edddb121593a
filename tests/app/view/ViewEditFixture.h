#pragma once

#include "app/CKTRDoc.h"
#include "app/CMainFrame.h"
#include "app/FakeMessageDisplay.h"
#include "app/ScriptedDialogRunner.h"
#include "app/view/CKTRView.h"
#include "app/view/CSelection.h"
#include "sim/SimCounterConfig.h"

#include <QPushButton>
#include <QString>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

// The recording message display, which also tells the test when a box opens,
// before it is answered.
class HookedMessageDisplay : public FakeMessageDisplay {
public:
    MsgAnswer Show(unsigned id, const std::string& text, const std::string& caption,
                   MsgButtons buttons, MsgIcon icon) override {
        if (auto hook = std::exchange(onShow, nullptr))
            hook(id);
        return FakeMessageDisplay::Show(id, text, caption, buttons, icon);
    }

    // Runs once, at the next box.
    std::function<void(unsigned id)> onShow;
};

// A main frame with its view, a sensor in the document, and the dialog and
// message seams answered by the test.
class ViewEditFixture : public testing::Test {
protected:
    ViewEditFixture();

    // Adds a sensor record to the document and makes it current, as
    // selecting it in the tree does.
    CSensor& Select(int port, int address, const std::vector<double>& sizes,
                    const std::vector<std::pair<double, double>>& points);
    void Click(const char* button);
    // Selects the first row whose column 0 reads text; false if none does.
    bool SelectRow(const char* list, const QString& text);
    // The rows of a list, columns joined by " / ".
    std::vector<QString> Rows(const char* list) const;
    std::vector<double> WorkingSizes() const;
    std::vector<std::pair<double, double>> WorkingPoints() const;

    HookedMessageDisplay display;
    ScriptedDialogRunner dialogs;
    CKTRDoc doc;
    CMainFrame frame;
    CKTRView* view = nullptr;
};

// A simulated KTR-100 at address with these tables.
SimCounterConfig Ktr100(int address, const std::vector<double>& sizes,
                        const std::vector<std::pair<double, double>>& points);

std::vector<double> Values(const CSizeList& sizes);
std::vector<std::pair<double, double>> Values(const CCalCurve& curve);
