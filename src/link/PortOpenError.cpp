#include "link/PortOpenError.h"

#include "res/StringTable.h"

#include <cerrno>

PortOpenFailure ClassifyPortOpenError(int error) {
    switch (error) {
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
