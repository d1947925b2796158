#include "air/io/sound_server.h"

#include <cstdlib>
#include <pulse/pulseaudio.h>

namespace quorvan::air {

namespace {

struct Query {
    pa_mainloop* loop = nullptr;
    bool done = false;
    std::optional<ServerSink> answer;
};

void Finish(Query& q)
{
    q.done = true;
    pa_mainloop_quit(q.loop, 0);
}

void OnSink(pa_context*, const pa_sink_info* info, int eol, void* data)
{
    auto& q = *static_cast<Query*>(data);
    if (eol == 0 && info) {
        q.answer = ServerSink{info->name ? info->name : "", static_cast<int>(info->sample_spec.rate)};
        return;
    }
    Finish(q);
}

void OnServer(pa_context* context, const pa_server_info* info, void* data)
{
    auto& q = *static_cast<Query*>(data);
    // PULSE_SINK names the sink a client plays into instead of the default.
    const char* chosen = std::getenv("PULSE_SINK");
    const char* sink = chosen && *chosen ? chosen : info ? info->default_sink_name : nullptr;
    if (!sink) {
        Finish(q);
        return;
    }
    if (pa_operation* op = pa_context_get_sink_info_by_name(context, sink, OnSink, data))
        pa_operation_unref(op);
    else
        Finish(q);
}

void OnState(pa_context* context, void* data)
{
    auto& q = *static_cast<Query*>(data);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        if (pa_operation* op = pa_context_get_server_info(context, OnServer, data))
            pa_operation_unref(op);
        else
            Finish(q);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        Finish(q);
        break;
    default:
        break;
    }
}

void OnDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data)
{
    Finish(*static_cast<Query*>(data));
}

} // namespace

std::optional<ServerSink> AskSoundServer()
{
    Query q;
    q.loop = pa_mainloop_new();
    if (!q.loop)
        return std::nullopt;
    pa_mainloop_api* api = pa_mainloop_get_api(q.loop);
    pa_context* context = pa_context_new(api, "quorvanctl air");
    if (context) {
        pa_context_set_state_callback(context, OnState, &q);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
            timeval deadline{};
            pa_gettimeofday(&deadline);
            pa_timeval_add(&deadline, 1000000);
            pa_time_event* timer = api->time_new(api, &deadline, OnDeadline, &q);
            while (!q.done && pa_mainloop_iterate(q.loop, 1, nullptr) >= 0) {
            }
            if (timer)
                api->time_free(timer);
            pa_context_disconnect(context);
        }
        pa_context_unref(context);
    }
    pa_mainloop_free(q.loop);
    return q.answer;
}

} // namespace quorvan::air
