#include "link/PortOpenError.h"

#include "link/win32/WideText.h"

#include <windows.h>

PortOpenFailure ClassifyPortOpenError(int error) {
    switch (DWORD(error)) {
    case ERROR_SUCCESS:
        return PortOpenFailure::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
        return PortOpenFailure::NoSuchPort;
    // Share mode 0: a port that another handle holds answers with one of
    // these, whichever program or object of ours holds it.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return PortOpenFailure::InUse;
    case ERROR_IRQ_BUSY:
        return PortOpenFailure::IrqBusy;
    default:
        return PortOpenFailure::Other;
    }
}

PortOpenFailure ClassifySetupError(int error) {
    switch (DWORD(error)) {
    // A name that opens but takes no line settings is no serial port, as a
    // Linux path that is no terminal (ENOTTY).
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
        return PortOpenFailure::NoSuchPort;
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
        return PortOpenFailure::HungUp;
    default:
        return ClassifyPortOpenError(error);
    }
}

std::string SystemErrorText(int error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    if (buffer)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    return text.empty() ? "error " + std::to_string(error) : Narrow(text);
}
