#pragma once

// Ids of the desktop program's windows, commands and resources. Each child
// window carries its id in the dynamic property "ctrlId", so code and tests
// find a control by id.
enum ControlId : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDD_ABOUTBOX = 100,
    IDC_SENSOR_TREE = 101,
    IDC_SIZE_LIST = 102,
    IDC_CAL_LIST = 103,
    IDC_RESCAN = 104,
    IDC_ADD_SIZE = 105,
    IDC_EDIT_SIZE = 106,
    IDC_DELETE_SIZE = 107,
    IDC_SAVE_SIZES = 108,
    IDC_ADD_CAL = 109,
    IDC_EDIT_CAL = 110,
    IDC_DELETE_CAL = 111,
    IDC_SAVE_POINTS = 112,
    IDC_STATUS_BAR = 113,
    IDC_PROGRESS = 114,
    IDI_LED_ON = 130,
    IDI_LED_OFF = 131,
    // The Add/Edit dialogs of sizes and calibration points, and their edits.
    IDD_SIZE_DLG = 130,
    IDD_CAL_DLG = 131,
    IDC_SIZE_EDIT = 1000,
    IDC_CAL_SIZE_EDIT = 1001,
    IDC_CAL_VOLTAGE_EDIT = 1002,
    // The scan report: the dialog, its list of lines, its View menu command.
    IDD_SCAN_REPORT = 132,
    IDC_SCAN_REPORT_LIST = 1003,
    IDC_STATIC = 65535,
    ID_VIEW_SCAN_REPORT = 32771,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
};

// Name of the dynamic property that holds a control's id.
inline constexpr const char* kCtrlIdProperty = "ctrlId";
