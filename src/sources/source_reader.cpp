#include "sources/source_reader.h"

#include "sources/text_cut.h"

namespace quorvan {

std::optional<std::string> readTextSource(const TextSourceSetup& setup, const std::string& exeDirectory,
                                          const SourceFileSystem& fs)
{
    std::string line;
    if (const std::optional<std::string> path = findSourceFile(setup.file, exeDirectory, fs)) {
        std::optional<std::string> read = readSourceLine(*path, setup.readFrom);
        if (!read)
            return std::nullopt;
        line = std::move(*read);
    }
    std::string text = setup.charset == Charset::Rds
                           ? cutSourceTextUtf8(trimSourceText(ExternalTextToUtf8(line)), setup.cutBeginning, setup.cutEnd)
                           : cutSourceText(trimSourceText(std::move(line)), setup.cutBeginning, setup.cutEnd);
    cutAtCharacter(text, kMaxSourceText);
    return text;
}

} // namespace quorvan
