// Properties of the settings-file writer on any file: the key written reads
// back with its new value; the section's other entries keep their values
// and order; and every other line of the file stays byte for byte.
#include "FuzzCheck.h"
#include "base/IniFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
// The new file keeps every line of the old one but the one whose value was
// replaced: what the write took away from the old bytes lies within a
// single line (an insertion takes nothing away).
bool onlyOneLineChanged(const QByteArray &before, const QByteArray &after)
{
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    const qsizetype room = std::min(before.size(), after.size()) - prefix;
    while (suffix < room && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const QByteArray removed = before.mid(prefix, before.size() - suffix - prefix);
    // Lines end at LF (a CR before it belongs to the line end); a lone CR is
    // part of its line, for the reader and the writer alike.
    return !removed.contains('\n');
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // First byte: which value to write (with and without high bytes).
    const QByteArray values[] = {"Fran\xe7" "ais", "Anglais", "Italien", ""};
    const QByteArray value = values[data[0] % 4];
    const QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (file.size() > IniFile::MaxFileSize)
        return 0;

    const QList<IniFile::Entry> before = IniFile::sectionEntries(file, "Param");
    const QByteArray written = IniFile::withValue(file, "Param", "Langue", value);
    const std::optional<QByteArray> read = IniFile::value(written, "Param", "Langue");
    // A value that cannot be stored as it stands (line breaks, surrounding
    // blanks or quotes) is the writer's to refuse; it never corrupts the rest.
    if (read.has_value() && *read == value) {
        const QList<IniFile::Entry> after = IniFile::sectionEntries(written, "Param");
        qsizetype j = 0;
        for (const IniFile::Entry &entry : before) {
            if (entry.key.compare("Langue", Qt::CaseInsensitive) == 0)
                continue;
            while (j < after.size() && after[j].key.compare(entry.key, Qt::CaseInsensitive) != 0)
                ++j;
            CHECK(j < after.size() && after[j].value == entry.value);
        }
    }
    CHECK(onlyOneLineChanged(file, written));
    // Writing the same value again changes nothing.
    if (read.has_value() && *read == value)
        CHECK(IniFile::withValue(written, "Param", "Langue", value) == written);
    return 0;
}
