#include "link/qtserial_transport.h"

#include "core/clock.h"
#include "link/comtimeouts.h"
#include "link/serialport.h"

#include <QSerialPort>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace vexa {

struct QtSerialTransport::Private {
    std::string name;
    int baud = 9600;
    QSerialPort port;
    std::deque<std::uint8_t> pending; // received, NULs removed, not yet handed out

    // Moves what Qt has buffered into pending, without NULs.
    void TakeBuffered() {
        const QByteArray bytes = port.readAll();
        for (char c : bytes) {
            if (c != '\0')
                pending.push_back(static_cast<std::uint8_t>(c));
        }
    }
};

QtSerialTransport::QtSerialTransport(std::string portName, int baud)
    : d_(std::make_unique<Private>()) {
    d_->name = std::move(portName);
    d_->baud = baud;
}

QtSerialTransport::~QtSerialTransport() {
    Close();
}

namespace {

// errno for a failed QSerialPort::open, in the terms the open texts use.
int OpenErrno(QSerialPort::SerialPortError error, int systemErrno) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return ENOENT;
    case QSerialPort::PermissionError:
        return systemErrno == EBUSY || systemErrno == EPERM ? systemErrno : EACCES;
    default:
        return systemErrno != 0 ? systemErrno : EIO;
    }
}

void RequestLowLatency(int fd) {
#ifdef __linux__
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags = static_cast<int>(static_cast<unsigned>(serial.flags) | ASYNC_LOW_LATENCY);
        ::ioctl(fd, TIOCSSERIAL, &serial); // drivers without it refuse; that is harmless
    }
#else
    (void)fd;
#endif
}

} // namespace

int QtSerialTransport::Open(std::string& error) {
    error.clear();
    Close();
    QSerialPort& port = d_->port;
    port.setPortName(QString::fromStdString(d_->name));
    errno = 0;
    if (!port.open(QIODevice::ReadWrite)) {
        const int systemErrno = errno;
        error = SerialOpenErrorText(d_->name, OpenErrno(port.error(), systemErrno));
        port.clearError();
        return 0;
    }
    // The line settings that every controller expects; a refusal fails the open.
    errno = 0;
    if (!port.setBaudRate(d_->baud) || !port.setDataBits(QSerialPort::Data8) ||
        !port.setStopBits(QSerialPort::OneStop) ||
        !port.setFlowControl(QSerialPort::NoFlowControl)) {
        const int systemErrno = errno != 0 ? errno : EIO;
        error = SetCommStateErrorText(d_->name, systemErrno);
        port.close();
        return 0;
    }
    // Pseudo-terminals refuse parity changes and the modem lines; the line works anyway.
    port.setParity(QSerialPort::NoParity);
    port.setDataTerminalReady(false);
    port.setRequestToSend(false);
    port.clearError();
    RequestLowLatency(static_cast<int>(port.handle()));
    port.clear(QSerialPort::AllDirections);
    d_->pending.clear();
    return 1;
}

void QtSerialTransport::Close() {
    if (d_->port.isOpen())
        d_->port.close();
    d_->pending.clear();
}

bool QtSerialTransport::IsOpen() const {
    return d_->port.isOpen();
}

int QtSerialTransport::Read(std::uint8_t* destination, int n) {
    return ReadWithComTimeouts(*this, SteadyClock::Instance(), destination, n);
}

int QtSerialTransport::ReadAvailable(std::uint8_t* destination, int max, int waitMs) {
    if (destination == nullptr || max <= 0 || !d_->port.isOpen())
        return 0;
    Clock& clock = SteadyClock::Instance();
    const std::int64_t deadline = clock.NowMs() + std::max(waitMs, 0);
    // Bytes already buffered first: waitForReadyRead only reports new data.
    d_->TakeBuffered();
    while (d_->pending.empty()) {
        const std::int64_t remaining = deadline - clock.NowMs();
        if (remaining <= 0 || !d_->port.waitForReadyRead(static_cast<int>(remaining))) {
            d_->TakeBuffered();
            break;
        }
        d_->TakeBuffered(); // may hold only NULs; then wait on
    }
    const int count =
        static_cast<int>(std::min<std::size_t>(d_->pending.size(), static_cast<std::size_t>(max)));
    std::copy_n(d_->pending.begin(), count, destination);
    d_->pending.erase(d_->pending.begin(), d_->pending.begin() + count);
    return count;
}

int QtSerialTransport::Write(const std::uint8_t* source, int n) {
    if (source == nullptr || n <= 0 || !d_->port.isOpen())
        return 0;
    QSerialPort& port = d_->port;
    const qint64 accepted = port.write(reinterpret_cast<const char*>(source), n);
    if (accepted <= 0)
        return 0;
    // Flushed before returning, within the write time-out of 10 ms + 50 ms a byte.
    Clock& clock = SteadyClock::Instance();
    const std::int64_t deadline = clock.NowMs() + 10 + 50 * std::int64_t{n};
    while (port.bytesToWrite() > 0) {
        const std::int64_t remaining = deadline - clock.NowMs();
        if (remaining <= 0 || !port.waitForBytesWritten(static_cast<int>(remaining)))
            break;
    }
    const qint64 unsent = port.bytesToWrite();
    if (unsent > 0) {
        // What did not go out in time is dropped, so it cannot follow a later command.
        port.clear(QSerialPort::Output);
    }
    return static_cast<int>(std::clamp<qint64>(accepted - unsent, 0, n));
}

int QtSerialTransport::Purge() {
    if (d_->port.isOpen())
        d_->port.clear(QSerialPort::AllDirections);
    d_->pending.clear();
    return 1;
}

void RegisterQtSerialPorts(SerialDeviceFactory& factory) {
    factory.SetDefault([](const std::string& portName, int baud) -> std::unique_ptr<ByteTransport> {
        return std::make_unique<QtSerialTransport>(portName, baud);
    });
}

} // namespace vexa
