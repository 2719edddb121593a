#pragma once

#include <string>

// Ids of the program's texts. Ids and texts are fixed: the texts are shown
// to the user exactly as they stand, typing slips included.
enum StringId : unsigned {
    IDR_MAINFRAME = 128,
    IDS_PORT_IRQ_BUSY = 1005,
    IDS_PORT_IN_USE = 1006,
    IDS_PORT_OPEN_FAILED = 1007,
    IDS_PORT_ACCESS_DENIED = 1008,
    IDS_APP_NAME = 57344,
    IDS_STEP1_HELP = 61204,
    IDS_STEP2_HELP = 61205,
    IDS_CAUTION_HELP = 61206,
    IDS_SIZE_COLUMN = 61207,
    IDS_CAL_SIZE_COLUMN = 61208,
    IDS_CAL_VOLTAGE_COLUMN = 61209,
    IDS_TREE_COMPORT = 61210,
    IDS_TREE_SENSOR = 61211,
    IDS_RESCAN = 61212,
    IDS_ADD_SIZE = 61213,
    IDS_EDIT_SIZE = 61214,
    IDS_DELETE_SIZE = 61215,
    IDS_SAVE_SIZES = 61216,
    IDS_ADD_CAL = 61217,
    IDS_EDIT_CAL = 61218,
    IDS_DELETE_CAL = 61219,
    IDS_SAVE_POINTS = 61220,
    IDS_SIZE_EXISTS = 61221,
    IDS_ADD_SIZE_CAPTION = 61222,
    IDS_EDIT_SIZE_CAPTION = 61223,
    IDS_SIZES_CHANGED = 61224,
    IDS_CAL_POINT_EXISTS = 61225,
    IDS_CALS_CHANGED = 61226,
    IDS_PROGRAMMING = 61227,
    IDS_FLASHING = 61228,
    IDS_SCANNING = 61229,
    IDS_COMPORT_LABEL = 61230,
    IDS_DEVICE_LABEL = 61231,
    IDS_NEED_ONE_SIZE = 61232,
    IDS_TOO_MANY_SIZES = 61234,
    IDS_SIZES_NOT_ASCENDING = 61235,
    IDS_NEED_THREE_POINTS = 61236,
    IDS_CAL_SIZES_NOT_ASCENDING = 61237,
    IDS_CAL_VOLTAGES_NOT_ASCENDING = 61238,
    // Our own text: a size the counter's 3-character field cannot hold.
    IDS_SIZE_TOO_LARGE = 61239,
    // Our own texts: a save whose table did not reach the counter.
    IDS_SIZES_NOT_TAKEN = 61244,
    IDS_CALS_NOT_TAKEN = 61245,
    // Our own text: a calibration curve whose reply the counter could not
    // send back whole (formatted with the reply's length, the points that
    // fit and the points given).
    IDS_CAL_REPLY_TOO_LONG = 61240,
    // Our own texts: the programming journal (its dialog, a journal that
    // cannot be written, putting a table back).
    IDS_JOURNAL_NOT_WRITABLE = 61246,
    IDS_JOURNAL_TITLE = 61247,
    IDS_JOURNAL_RESTORE = 61248,
    IDS_JOURNAL_COLUMNS = 61249,
    IDS_RESTORE_ASK = 61250,
    IDS_RESTORE_NOT_FOUND = 61251,
    IDS_RESTORE_OTHER_MODEL = 61252,
    IDS_JOURNAL_SKIPPED = 61253,
    IDS_JOURNAL_UNREADABLE = 61254,
    IDS_JOURNAL_CLOSE = 61255,
    IDS_FAILED_EMPTY_DOC = 61700,
    IDS_ENTER_NUMBER = 61713,
    IDS_ENTER_NUMBER_BETWEEN = 61715,
};

// The text of string id, or an empty text for an unknown id.
std::string LoadString(unsigned id);

// Whether the table has an entry for id.
bool HasString(unsigned id);
