#pragma once
// A ByteTransport that forwards every call to one that lives elsewhere, so a device whose
// state must survive the link being closed and reopened (the virtual controller's memory)
// can be handed to a CSerialPort, which owns and replaces its device on every open.
#include "link/bytetransport.h"

namespace vexa {

class BorrowedTransport : public ByteTransport {
public:
    // inner is not owned and must outlive this transport.
    explicit BorrowedTransport(ByteTransport& inner) : inner_(inner) {}

    int Open(std::string& error) override { return inner_.Open(error); }
    void Close() override { inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    int Read(std::uint8_t* destination, int n) override { return inner_.Read(destination, n); }
    int ReadAvailable(std::uint8_t* destination, int max, int waitMs) override {
        return inner_.ReadAvailable(destination, max, waitMs);
    }
    int Write(const std::uint8_t* source, int n) override { return inner_.Write(source, n); }
    int Purge() override { return inner_.Purge(); }
    bool IsUsb() const override { return inner_.IsUsb(); }

private:
    ByteTransport& inner_;
};

} // namespace vexa
