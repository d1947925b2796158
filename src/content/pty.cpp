#include "content/pty.h"

namespace quorvan {

const std::array<std::string_view, kPTYCodings * kPTYCodes>& PTYNameTable()
{
    static constexpr std::array<std::string_view, kPTYCodings * kPTYCodes> table = {
        // European (EN 50067 programme types)
        "(none)", "News", "Affairs", "Info", "Sport", "Educate", "Drama", "Culture",
        "Science", "Varied", "Pop M", "Rock M", "Easy M", "Light M", "Classics", "Other M",
        "Weather", "Finance", "Children", "Social", "Religion", "Phone In", "Travel", "Leisure",
        "Jazz", "Country", "Nation", "Oldies", "Folk M", "Document", "TEST", "Alarm!",
        // U.S. (RBDS); codes 24..28 have no name there
        "(none)", "News", "Inform", "Sports", "Talk", "Rock", "Cls Rock", "Adult Hits",
        "Soft Rock", "Top 40", "Country", "Oldies", "Soft", "Nostalgia", "Jazz", "Classical",
        "R & B", "Soft R&B", "Language", "Rel Music", "Rel Talk", "Personality", "Public", "College",
        "(24)", "(25)", "(26)", "(27)", "(28)", "Weather", "Test", "ALERT !",
        // Numbered only
        "(0)", "(1)", "(2)", "(3)", "(4)", "(5)", "(6)", "(7)",
        "(8)", "(9)", "(10)", "(11)", "(12)", "(13)", "(14)", "(15)",
        "(16)", "(17)", "(18)", "(19)", "(20)", "(21)", "(22)", "(23)",
        "(24)", "(25)", "(26)", "(27)", "(28)", "(29)", "(30)", "(31)",
    };
    return table;
}

std::string_view PTYName(int coding, int code)
{
    if (code < 0 || code >= kPTYCodes) return {};
    if (coding < 0 || coding >= kPTYCodings) coding = kPTYEuropean;
    return PTYNameTable()[static_cast<std::size_t>(coding * kPTYCodes + code)];
}

std::array<std::string, kPTYCodes> PTYNames(int coding)
{
    std::array<std::string, kPTYCodes> names;
    for (int code = 0; code < kPTYCodes; ++code)
        names[static_cast<std::size_t>(code)] = std::string(PTYName(coding, code));
    return names;
}

PTYList PtyListForCoding(int coding, int selectedCode)
{
    return PTYList{PTYNames(coding), selectedCode};
}

} // namespace quorvan
