#include "version/version.h"

#include "quorvan_version.h" // generated into the build tree

namespace quorvan {

const char* programVersion()
{
    return QUORVAN_VERSION_TEXT;
}

} // namespace quorvan
