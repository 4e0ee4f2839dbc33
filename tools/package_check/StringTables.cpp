// Setup.exe's four string tables, for the texts the package check prints; the rows are taken from
// resources/strings_*.rc when the build is configured (StringTables.inc).
#include <cstdint>
#include <string>

#include "resource_ids.h"

namespace {

struct Row {
    std::uint16_t language;
    int id;
    const char* text;
};

const Row Rows[] = {
#include "StringTables.inc"
};

} // namespace

std::string StringTableText(std::uint16_t language, int stringId)
{
    const std::uint16_t table = language == 0x0411 || language == 0x0404 || language == 0x0804 ? language : 0x0409;
    for (const Row& row : Rows) {
        if (row.language == table && row.id == stringId)
            return row.text;
    }
    return {};
}
