#include "res/StringTable.h"

#include <map>

namespace {

// clang-format off
const std::map<unsigned, const char*>& Table() {
    static const std::map<unsigned, const char*> table = {
        {IDR_MAINFRAME, "KTR Setup\n\nKTRSet\n\n\nKTRSetup.Document\nKTRSet Document"},
        {IDS_PORT_IRQ_BUSY, "Unable to open a serial port. The unopened serial port is sharing an IRQ with a modem or \nanother serial port that is already in use by other software. Examples of software that use \nserial ports include Internet access packages (e.g. Netscape, Internet Explorer, \nCompuserve, AOL), and serial drivers for printers, instruments, and PLCs.\n\nYou can install a serial port expander adapter (if this computer accepts ISA or PCI \ncards), which will increase the number of ports and eliminate the IRQ conflicts between \nports. Serial Port Expanders are available from Tessaly.\n"},
        {IDS_PORT_IN_USE, "Unable to open a serial port. The unopened serial port is already in use by other software. \nExamples of software that use serial ports include Internet access packages (e.g. \nNetscape, Internet Explorer, Compuserve, AOL), and serial drivers for printers,\n instruments, and PLCs. Close the other software and try again..\n\nYou can also install a serial port expander adapter (if this computer accepts ISA or PCI \ncards), which will increase the number of ports. Serial Port Expanders are available from \nTessaly. \n"},
        {IDS_PORT_OPEN_FAILED, "Unable to open serial port"},
        // Our own text for a port the user may not open (no permission).
        {IDS_PORT_ACCESS_DENIED, "Unable to open a serial port: permission denied.\nYour user account may not use this port's device. Add the account to the group\nthat owns the device (on Debian: sudo usermod -aG dialout <user>),\nthen log out, log in again and try again.\n"},
        {IDS_APP_NAME, "KTRSetup"},
        {IDS_STEP1_HELP, "STEP 1:\nClick the sensor you wish to setup.\n\nIf the sensor you wish to setup is not in the tree check to make sure that it is on and connected to the network, then click the rescan button."},
        {IDS_STEP2_HELP, "STEP 2:\nTo Add a size click the add button.\n\nTo Edit a size select the size and click edit.\n\nTo Delete a size select the size and click delete.\n\nThe sizes will automatically re-sort."},
        {IDS_CAUTION_HELP, "CAUTION:\nMake sure you have a valid calibration sheet before continuing!\n if your not sure, contact customer support.\nTo Add a point click the Add button.\nTo Edit a  point, select the point and click the edit button.\nTo Delete a  point, select the point and click the delete button."},
        {IDS_SIZE_COLUMN, "Sizes(µ)"},
        {IDS_CAL_SIZE_COLUMN, "Sizes(µ)"},
        {IDS_CAL_VOLTAGE_COLUMN, "Voltage(mV)"},
        {IDS_TREE_COMPORT, "Comport %d"},
        {IDS_TREE_SENSOR, "Sensor:%02.2d   Model: %s"},
        {IDS_RESCAN, "Rescan for devices"},
        {IDS_ADD_SIZE, "Add"},
        {IDS_EDIT_SIZE, "Edit"},
        {IDS_DELETE_SIZE, "Delete"},
        {IDS_SAVE_SIZES, "Save Sizes to counter"},
        {IDS_ADD_CAL, "Add"},
        {IDS_EDIT_CAL, "Edit"},
        {IDS_DELETE_CAL, "Delete"},
        {IDS_SAVE_POINTS, "Save Points to counter"},
        {IDS_SIZE_EXISTS, "The size already exists."},
        {IDS_ADD_SIZE_CAPTION, "Add Size"},
        {IDS_EDIT_SIZE_CAPTION, "Edit Size"},
        {IDS_SIZES_CHANGED, "The Size information for this sensor has been changed!\nDo you wish to reprogram the counter with the new sizes?\n\nYes - To program the counter.\nNo - To discard the changes.\nCancel - To Continue editing this sensor."},
        {IDS_CAL_POINT_EXISTS, "The Cal piont with the save size or voltage already exists."},
        {IDS_CALS_CHANGED, "The Calibration information for this sensor has been changed!\nDo you wish to reprogram the counter with the new calibration?\n\nYes - To program the counter.\nNo - To discard the changes.\nCancel - To Continue editing this sensor."},
        {IDS_PROGRAMMING, "Programming"},
        {IDS_FLASHING, "Flashing"},
        {IDS_SCANNING, "Scanning"},
        {IDS_COMPORT_LABEL, "Comport: %d"},
        {IDS_DEVICE_LABEL, "Device: %d"},
        {IDS_NEED_ONE_SIZE, "You need at least one size"},
        {IDS_TOO_MANY_SIZES, "The counter can only handle up to 32 size.\nPlease either edit or delete an existing size."},
        {IDS_SIZES_NOT_ASCENDING, "Sizes must be in ascending order, and no duplicates are allowed"},
        {IDS_NEED_THREE_POINTS, "You must supply at least three cal points."},
        {IDS_CAL_SIZES_NOT_ASCENDING, "Sizes must be in ascending order, and no duplicates are allowed"},
        {IDS_CAL_VOLTAGES_NOT_ASCENDING, "Voltages must be in ascending order, and no duplicates are allowed"},
        // Our own text: sizes of 1000 and above would lose digits in the counter's field.
        {IDS_SIZE_TOO_LARGE, "Sizes must be below 1000 (the counter's size field has three characters)"},
        // Our own texts: the counter did not take a save (no echo, port gone).
        {IDS_SIZES_NOT_TAKEN, "The counter did not take the sizes.\nCheck that it is switched on and connected, then save again.\nYour changes are kept."},
        {IDS_CALS_NOT_TAKEN, "The counter did not take the calibration points.\nCheck that it is switched on and connected, then save again.\nYour changes are kept."},
        // Our own text: the counter could never send such a curve back whole.
        {IDS_CAL_REPLY_TOO_LONG, "This calibration curve is too long: the counter's reply holds %d characters, so only the first %d of these %d cal points could be read back.\nPlease delete points or shorten their values."},
        // Our own texts: the programming journal.
        {IDS_JOURNAL_NOT_WRITABLE, "The programming journal cannot be written:\n%s\n(%s)\n\nNothing has been sent to the counter.\nDo you wish to program the counter without a record in the journal?"},
        {IDS_JOURNAL_TITLE, "Programming journal"},
        {IDS_JOURNAL_RESTORE, "Restore"},
        {IDS_JOURNAL_COLUMNS, "Time (UTC)\nCom port\nAddress\nModel\nTable\nState"},
        {IDS_RESTORE_ASK, "Do you wish to program the counter at Comport %d, Device %d with the %s it had before the programming of %s?\n\n%s"},
        {IDS_RESTORE_NOT_FOUND, "No counter at Comport %d, Device %d was found by the last scan.\nRescan for devices, then restore again."},
        {IDS_RESTORE_OTHER_MODEL, "The counter at Comport %d, Device %d is a %s, but the table was taken from a %s.\nNothing has been sent."},
        {IDS_JOURNAL_SKIPPED, "Damaged lines of the journal were skipped: %s"},
        {IDS_JOURNAL_UNREADABLE, "The programming journal %s cannot be read (%s)."},
        {IDS_JOURNAL_CLOSE, "Close"},
        {IDS_FAILED_EMPTY_DOC, "Failed to create empty document."},
        {IDS_ENTER_NUMBER, "Please enter a number."},
        {IDS_ENTER_NUMBER_BETWEEN, "Please enter a number between %1 and %2."},
    };
    return table;
}
// clang-format on

} // namespace

std::string LoadString(unsigned id) {
    auto it = Table().find(id);
    return it == Table().end() ? std::string() : std::string(it->second);
}

bool HasString(unsigned id) {
    return Table().count(id) != 0;
}
