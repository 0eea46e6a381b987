// Property: a list read from any bytes and written again reads back the
// same lines, and its file, read and written again, gives the same bytes.
#include "config/LineList.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> lines = LineList::parse(bytes);
    const QByteArray written = LineList::serialize(lines);
    if (LineList::parse(written) != lines)
        std::abort();
    if (LineList::serialize(LineList::parse(written)) != written)
        std::abort();
    // A file already in the written form is kept byte for byte.
    if (bytes == written && LineList::serialize(lines) != bytes)
        std::abort();
    return 0;
}
