#include "service/follow_log.h"

#include "content/radiotext.h"
#include "sources/text_source_tick.h"

#include <cstdio>

namespace quorvan::service {

std::string logTimeText(const DateTime& t)
{
    char time[32];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return time;
}

std::string followEventLine(const FollowEvent& e, Charset cs, Quote quote)
{
    const char* status = !e.ready ? "(not sent)" : (*e.ready ? "Ready" : "!Ready");
    // The clock-time minute is plain text; every other target holds encoder bytes.
    const std::string text = e.target == "CT" ? e.text : DecodeText(e.text, cs);
    return logTimeText(e.time) + " " + e.target + " " + quote(text) + " " + status;
}

std::string networkLogLine(const remote::LogEntry& e, Quote quote)
{
    if (e.notice)  // "2024-05-10 12:00:01 NET 93 more lines from 127.0.0.1 not shown"
        return logTimeText(e.time) + " NET " + e.line;
    std::string line = logTimeText(e.time) + " NET " + e.peer + " " + quote(e.line) + " " + e.reply;
    if (e.lines > 1)
        line += " (" + std::to_string(e.lines) + " lines)";
    return line;
}

std::string uecpLogLine(const remote::UecpLogEntry& e, Quote quote)
{
    return logTimeText(e.time) + " UECP " + e.peer + " " + quote(e.text) + (e.error ? " !" : "");
}

std::vector<std::string> followedLines(const TStationParams& params, Quote quote)
{
    std::vector<std::string> lines;
    if (RadiotextSourceActive(params))
        lines.push_back("Radiotext source: " + quote(params.textSources.ER1F));
    if (DynamicPSSourceActive(params))
        lines.push_back("Dynamic PS source: " + quote(params.textSources.ED1F));
    if (RadiotextSwitchingRuns(params))
        lines.push_back("Radiotext switching: every " +
                        (params.radiotext.SERTSW == 0 ? std::string("30 s") : std::to_string(params.radiotext.SERTSW) + " min"));
    if (params.system.CTRunning)
        lines.push_back("Clock time: every minute");
    return lines;
}

} // namespace quorvan::service
