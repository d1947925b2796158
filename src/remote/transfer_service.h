// Reading the network while a bus transfer runs. A transfer holds the
// program for seconds (every bit is clocked by software), and datagrams that
// arrive meanwhile would pile up in the socket's buffer until it overflows
// and the newest ones are lost. So the port lines of the link are routed
// through these pass-through wrappers, which every kLineChanges line changes
// call a service function: the command port reads its sockets there and
// queues (coalesces) what came, but runs nothing until the transfer is over.
// This costs nothing on the bus: the bytes and their order stay the same.
#pragma once

#include "link/encoder_link.h"
#include "link/port_io.h"

#include <functional>

namespace quorvan::remote {

class TransferService {
public:
    static constexpr unsigned kLineChanges = 64;

    explicit TransferService(std::function<void()> service) : service_(std::move(service)) {}

    // Wraps the link's current port lines (again after the port changed);
    // does nothing when they are wrapped already or when there are none.
    void attach(TEncoderLink& link);
    // Gives the link its own port lines back.
    void detach(TEncoderLink& link);

private:
    void changed();

    class Io final : public PortIo {
    public:
        explicit Io(TransferService& owner) : owner_(owner) {}
        void write(std::int32_t address, std::uint8_t value) override
        {
            inner->write(address, value);
            owner_.changed();
        }
        std::uint8_t read(std::int32_t address) override { return inner->read(address); }
        bool ok() const override { return inner->ok(); }
        std::string error() const override { return inner->error(); }
        PortIo* inner = nullptr;

    private:
        TransferService& owner_;
    };
    class Lines final : public SerialLines {
    public:
        explicit Lines(TransferService& owner) : owner_(owner) {}
        void setDTR(bool on) override
        {
            inner->setDTR(on);
            owner_.changed();
        }
        void setRTS(bool on) override
        {
            inner->setRTS(on);
            owner_.changed();
        }
        bool cts() override { return inner->cts(); }
        bool ok() const override { return inner->ok(); }
        std::string error() const override { return inner->error(); }
        SerialLines* inner = nullptr;

    private:
        TransferService& owner_;
    };

    std::function<void()> service_;
    Io io_{*this};
    Lines lines_{*this};
    unsigned count_ = 0;
    bool inService_ = false;
};

} // namespace quorvan::remote
