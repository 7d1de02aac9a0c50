// Serial devices on Windows: the port is opened for overlapped I/O. The receive thread waits
// with WaitCommEvent on its own event and on the close event together, so an idle port costs
// no CPU and close() ends the wait at once.
#include "link/serial_device.h"

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

namespace korvelo {

namespace {

std::string systemMessage(DWORD err) {
    char buf[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, err, 0, buf, sizeof buf, nullptr);
    std::string text(buf, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "error " + std::to_string(err) : text;
}

std::string openFailureReason(const std::string& port, DWORD err) {
    switch (err) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return port + " is in use by another program (a terminal program or another Korvelo). "
                      "Close that program and try again.";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
        return port + " is not there: is the cable plugged in?";
    default:
        return "Cannot open " + port + ": " + systemMessage(err) + ".";
    }
}

void closeHandle(HANDLE& h) {
    if (h != nullptr && h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    h = nullptr;
}

// Waits for an overlapped operation that did not complete at once; the count transferred.
DWORD finishOverlapped(HANDLE port, OVERLAPPED& ov) {
    DWORD n = 0;
    while (!GetOverlappedResult(port, &ov, &n, TRUE)) {
        if (GetLastError() != ERROR_IO_INCOMPLETE) {
            DWORD errors = 0;
            ClearCommError(port, &errors, nullptr);
            break;
        }
    }
    return n;
}

} // namespace

struct SerialDevice::Impl {
    HANDLE port = INVALID_HANDLE_VALUE;
    OVERLAPPED readRecord{};
    OVERLAPPED writeRecord{};
    HANDLE closeEvent = nullptr; // set by wake()
    // The receive thread's own wait.
    HANDLE watchEvent = nullptr;
    OVERLAPPED watchRecord{};
    // The driver failed the wait (cable pulled); only the close event is awaited from then on.
    std::atomic<bool> lost{false};

    bool isOpen() const { return port != INVALID_HANDLE_VALUE; }
};

SerialDevice::SerialDevice() : impl_(std::make_unique<Impl>()) {}
SerialDevice::~SerialDevice() {
    close();
}

OpenResult SerialDevice::open(const PortSettings& settings) {
    close();
    Impl& d = *impl_;
    OpenResult result;
    d.lost = false;

    d.readRecord = OVERLAPPED{};
    d.writeRecord = OVERLAPPED{};
    d.readRecord.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    d.writeRecord.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    d.closeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!d.readRecord.hEvent || !d.writeRecord.hEvent || !d.closeEvent) {
        result.reason = "Cannot create the port's events: " + systemMessage(GetLastError()) + ".";
        close();
        return result;
    }

    // Exclusive (no sharing), existing device only, overlapped.
    const std::string& name = settings.portName;
    d.port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
    if (d.port == INVALID_HANDLE_VALUE) {
        result.portOpenFailed = true;
        result.reason = openFailureReason(name, GetLastError());
        close();
        return result;
    }

    SetCommMask(d.port, EV_RXCHAR);
    SetupComm(d.port, 1024, 1024);
    PurgeComm(d.port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);

    // Reads return at once with whatever is waiting; writes may take 1 ms a byte at 19,200.
    const DWORD baud = settings.baudRate == 0 ? 19200 : settings.baudRate;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = std::max<DWORD>(1, 19200 / baud);
    timeouts.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(d.port, &timeouts);

    // Only the line format changes; flow control and the rest stay as the driver has them.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool applied = GetCommState(d.port, &dcb) != 0;
    if (applied) {
        dcb.BaudRate = baud;
        dcb.ByteSize = settings.dataBits;
        dcb.Parity = settings.parity;
        dcb.StopBits = settings.stopBits;
        applied = SetCommState(d.port, &dcb) != 0;
    }
    if (!applied) {
        // Not a serial device (or one that refuses the line): a failed open, with the reason.
        result.portOpenFailed = true;
        result.reason = "The line settings of " + name +
                        " cannot be applied: " + systemMessage(GetLastError()) + ".";
        close();
        return result;
    }
    result.ok = true;
    return result;
}

void SerialDevice::close() {
    Impl& d = *impl_;
    if (d.isOpen()) {
        SetCommMask(d.port, 0);
        PurgeComm(d.port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        CloseHandle(d.port);
        d.port = INVALID_HANDLE_VALUE;
    }
    closeHandle(d.readRecord.hEvent);
    closeHandle(d.writeRecord.hEvent);
    closeHandle(d.closeEvent);
}

std::size_t SerialDevice::write(const std::uint8_t* bytes, std::size_t count) {
    Impl& d = *impl_;
    if (!d.isOpen() || count == 0)
        return 0;
    DWORD written = 0;
    ResetEvent(d.writeRecord.hEvent);
    if (WriteFile(d.port, bytes, static_cast<DWORD>(count), &written, &d.writeRecord))
        return written;
    if (GetLastError() == ERROR_IO_PENDING)
        return finishOverlapped(d.port, d.writeRecord);
    DWORD errors = 0;
    ClearCommError(d.port, &errors, nullptr);
    return 0;
}

std::size_t SerialDevice::read(std::uint8_t* buffer, std::size_t max) {
    Impl& d = *impl_;
    if (!d.isOpen())
        return 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(d.port, &errors, &status) || status.cbInQue == 0)
        return 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(max, status.cbInQue));
    DWORD got = 0;
    ResetEvent(d.readRecord.hEvent);
    if (ReadFile(d.port, buffer, want, &got, &d.readRecord))
        return got;
    if (GetLastError() == ERROR_IO_PENDING)
        return finishOverlapped(d.port, d.readRecord);
    ClearCommError(d.port, &errors, nullptr);
    return 0;
}

bool SerialDevice::prepareWatch() {
    Impl& d = *impl_;
    d.watchRecord = OVERLAPPED{};
    d.watchEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    d.watchRecord.hEvent = d.watchEvent;
    if (!d.watchEvent || !SetCommMask(d.port, EV_RXCHAR)) {
        closeHandle(d.watchEvent);
        return false;
    }
    return true;
}

SerialDevice::Wake SerialDevice::waitForData() {
    Impl& d = *impl_;
    for (;;) {
        if (WaitForSingleObject(d.closeEvent, 0) == WAIT_OBJECT_0)
            return Wake::Woken;
        if (d.lost) {
            WaitForSingleObject(d.closeEvent, INFINITE);
            return Wake::Woken;
        }
        // Bytes that came while the last receive event was being drained.
        DWORD errors = 0;
        COMSTAT status{};
        if (ClearCommError(d.port, &errors, &status) && status.cbInQue > 0)
            return Wake::Data;

        DWORD mask = 0;
        ResetEvent(d.watchEvent);
        if (!WaitCommEvent(d.port, &mask, &d.watchRecord)) {
            if (GetLastError() != ERROR_IO_PENDING) {
                d.lost = true;
                return Wake::Lost;
            }
            HANDLE handles[2] = {d.watchEvent, d.closeEvent};
            const DWORD which = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            DWORD unused = 0;
            if (which != WAIT_OBJECT_0) {
                // Closing: take back the pending wait before its record goes away. Clearing the
                // event mask is the documented way to end a WaitCommEvent; CancelIo alone
                // does not end it on every serial driver (nor under Wine), and then the wait
                // below would never return.
                SetCommMask(d.port, 0);
                CancelIo(d.port);
                GetOverlappedResult(d.port, &d.watchRecord, &unused, TRUE);
                return Wake::Woken;
            }
            // The event is signalled, so this returns at once; asking without waiting can
            // still find the result unwritten (ERROR_IO_INCOMPLETE) on a loaded system, which
            // is no lost port.
            if (!GetOverlappedResult(d.port, &d.watchRecord, &unused, TRUE)) {
                if (GetLastError() == ERROR_OPERATION_ABORTED)
                    continue; // the event mask was changed; look at the close event again
                d.lost = true;
                return Wake::Lost;
            }
        }
        if (mask & EV_RXCHAR)
            return Wake::Data;
    }
}

void SerialDevice::finishWatch() {
    closeHandle(impl_->watchEvent);
}

void SerialDevice::wake() {
    if (impl_->closeEvent)
        SetEvent(impl_->closeEvent);
}

} // namespace korvelo

#endif // _WIN32
