// The software encoder as a JACK client: "quorvan-air" with an input port
// mpx_in (the station's MPX of a loop-through) and the output ports mpx_out
// (and mpx_out_2), on the server JACK_DEFAULT_SERVER names, the default one
// otherwise; PipeWire's JACK serves the same API. The server's process
// thread calls the render function once a period with the input's and the
// first output's buffers (the other outputs get a copy); the render function
// must not allocate, lock or wait. It never starts a server, never resamples
// and keeps no time of its own: the server's clock paces the air.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct _jack_client;
struct _jack_port;

namespace quorvan::air {

class JackClient {
public:
    using Render = std::function<void(const float* input, float* output, std::size_t frames)>;

    // nullptr with `error` in one line when no server runs, or a client of
    // that name is already there.
    static std::unique_ptr<JackClient> Open(int outputs, std::string& error);
    ~JackClient();
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    // The server's name ("default" unless JACK_DEFAULT_SERVER names one) and rate.
    const std::string& server() const { return server_; }
    int rate() const;
    std::string description() const { return "JACK quorvan-air"; }

    // Activates the client; false with `error`.
    bool start(Render render, std::string& error);
    // Connects `source` to mpx_in and mpx_out (mpx_out_2) to `sinks`; an
    // empty name leaves that port as it is. false with `error` naming the port.
    bool connect(const std::string& source, const std::vector<std::string>& sinks, std::string& error);

    // true, with the cause, once the server has gone away under the client.
    bool gone(std::string& why) const;
    std::int64_t xruns() const { return xruns_.load(std::memory_order_relaxed); }

private:
    JackClient() = default;
    static int Process(std::uint32_t frames, void* self);
    static int Xrun(void* self);

    _jack_client* client_ = nullptr;
    _jack_port* input_ = nullptr;
    std::vector<_jack_port*> outputs_;
    std::string server_;
    Render render_;
    bool active_ = false;
    std::atomic<std::int64_t> xruns_{0};
    std::atomic<bool> gone_{false};
    std::string goneWhy_;  // written before gone_ is set
};

} // namespace quorvan::air
