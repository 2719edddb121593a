#include "link/PortOpenError.h"

#include "res/StringTable.h"

unsigned PortOpenMessageId(PortOpenFailure failure) {
    switch (failure) {
    case PortOpenFailure::InUse:
        return IDS_PORT_IN_USE;
    case PortOpenFailure::AccessDenied:
        return IDS_PORT_ACCESS_DENIED;
    case PortOpenFailure::IrqBusy:
        return IDS_PORT_IRQ_BUSY;
    default:
        return 0;
    }
}

std::string DescribePortOpenFailure(PortOpenFailure failure, int error) {
    switch (failure) {
    case PortOpenFailure::None:
        return "open";
    case PortOpenFailure::NoSuchPort:
        return "no such device";
    case PortOpenFailure::InUse:
        return "in use by another program";
    case PortOpenFailure::AccessDenied:
        return "permission denied";
    case PortOpenFailure::IrqBusy:
        return "shares an interrupt with a port in use by another program";
    case PortOpenFailure::HungUp:
        return "the device hung up";
    case PortOpenFailure::Other:
        break;
    }
    return error == 0 ? "could not be opened"
                      : "could not be opened (" + SystemErrorText(error) + ")";
}
