#include "link/PortOpenError.h"

#include "res/StringTable.h"

#include <cerrno>
#include <cstring>

PortOpenFailure ClassifyPortOpenError(int error) {
    switch (error) {
    case 0:
        return PortOpenFailure::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTTY:
    case EIO:
        return PortOpenFailure::NoSuchPort;
    case EBUSY:
    case EAGAIN: // a refused flock
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
        return PortOpenFailure::InUse;
    case EACCES:
    case EPERM:
        return PortOpenFailure::AccessDenied;
    default:
        return PortOpenFailure::Other;
    }
}

PortOpenFailure ClassifySetupError(int error) {
    if (error == EIO || error == ENXIO || error == ENODEV)
        return PortOpenFailure::HungUp;
    return ClassifyPortOpenError(error);
}

unsigned PortOpenMessageId(PortOpenFailure failure) {
    switch (failure) {
    case PortOpenFailure::InUse:
        return IDS_PORT_IN_USE;
    case PortOpenFailure::AccessDenied:
        return IDS_PORT_ACCESS_DENIED;
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
    case PortOpenFailure::HungUp:
        return "the device hung up";
    case PortOpenFailure::Other:
        break;
    }
    return error == 0 ? "could not be opened"
                      : std::string("could not be opened (") + std::strerror(error) + ")";
}
