#include "air/io/jack_client.h"

#include <jack/jack.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace quorvan::air {

namespace {

constexpr const char* kClientName = "quorvan-air";

// libjack's own messages would reach stderr in several lines each; the
// client tells its errors in one line of its own instead.
void Quiet(const char*) {}

std::string ServerName()
{
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    return name && *name ? name : "default";
}

} // namespace

std::unique_ptr<JackClient> JackClient::Open(int outputs, std::string& error)
{
    jack_set_error_function(Quiet);
    jack_set_info_function(Quiet);
    std::unique_ptr<JackClient> c(new JackClient);
    c->server_ = ServerName();
    jack_status_t status{};
    c->client_ = jack_client_open(kClientName, static_cast<jack_options_t>(JackNoStartServer | JackUseExactName),
                                  &status);
    if (!c->client_) {
        if (status & JackNameNotUnique)
            error = std::string("a JACK client named ") + kClientName + " already runs on the server \"" + c->server_ +
                    "\"";
        else if (status & JackServerFailed)
            error = "no JACK server \"" + c->server_ + "\" is running (start jackd, or PipeWire's JACK, first)";
        else
            error = "the JACK server \"" + c->server_ + "\" refused the client " + kClientName + " (status " +
                    std::to_string(static_cast<int>(status)) + ")";
        return nullptr;
    }
    c->input_ = jack_port_register(c->client_, "mpx_in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    for (int i = 0; i < outputs; ++i) {
        const std::string name = i == 0 ? "mpx_out" : "mpx_out_" + std::to_string(i + 1);
        c->outputs_.push_back(
            jack_port_register(c->client_, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
    }
    for (_jack_port* p : c->outputs_)
        if (!p || !c->input_) {
            error = "the JACK server \"" + c->server_ + "\" refused the ports of " + kClientName;
            return nullptr;
        }
    jack_set_process_callback(c->client_, &JackClient::Process, c.get());
    jack_set_xrun_callback(c->client_, &JackClient::Xrun, c.get());
    jack_on_info_shutdown(
        c->client_,
        [](jack_status_t, const char* reason, void* self) {
            auto* client = static_cast<JackClient*>(self);
            client->goneWhy_ = "the JACK server \"" + client->server_ + "\" went away" +
                               (reason && *reason ? std::string(": ") + reason : "");
            client->gone_.store(true, std::memory_order_release);
        },
        c.get());
    return c;
}

JackClient::~JackClient()
{
    if (client_) {
        if (active_ && !gone_.load())
            jack_deactivate(client_);
        jack_client_close(client_);
    }
}

int JackClient::rate() const
{
    return static_cast<int>(jack_get_sample_rate(client_));
}

bool JackClient::start(Render render, std::string& error)
{
    render_ = std::move(render);
    if (jack_activate(client_) != 0) {
        error = "the JACK server \"" + server_ + "\" did not activate " + kClientName;
        return false;
    }
    active_ = true;
    return true;
}

bool JackClient::connect(const std::string& source, const std::vector<std::string>& sinks, std::string& error)
{
    const std::string in = std::string(kClientName) + ":mpx_in";
    if (!source.empty()) {
        const int r = jack_connect(client_, source.c_str(), in.c_str());
        if (r != 0 && r != EEXIST) {
            error = "cannot connect the JACK port " + source + " to " + in + " (jack_lsp lists the ports)";
            return false;
        }
    }
    for (std::size_t i = 0; i < sinks.size() && i < outputs_.size(); ++i) {
        if (sinks[i].empty())
            continue;
        const char* out = jack_port_name(outputs_[i]);
        const int r = jack_connect(client_, out, sinks[i].c_str());
        if (r != 0 && r != EEXIST) {
            error = std::string("cannot connect ") + out + " to the JACK port " + sinks[i] + " (jack_lsp lists the ports)";
            return false;
        }
    }
    return true;
}

bool JackClient::gone(std::string& why) const
{
    if (!gone_.load(std::memory_order_acquire))
        return false;
    why = goneWhy_;
    return true;
}

int JackClient::Process(std::uint32_t frames, void* self)
{
    auto* c = static_cast<JackClient*>(self);
    const auto* in = static_cast<const float*>(jack_port_get_buffer(c->input_, frames));
    auto* out = static_cast<float*>(jack_port_get_buffer(c->outputs_[0], frames));
    c->render_(in, out, frames);
    for (std::size_t i = 1; i < c->outputs_.size(); ++i)
        std::memcpy(jack_port_get_buffer(c->outputs_[i], frames), out, frames * sizeof(float));
    return 0;
}

int JackClient::Xrun(void* self)
{
    static_cast<JackClient*>(self)->xruns_.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

} // namespace quorvan::air
