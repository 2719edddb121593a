#include "link/PortOpenError.h"

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

std::string SystemErrorText(int error) {
    return std::strerror(error);
}
