#include "base/IniFile.h"

#include <algorithm>

namespace IniFile {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// One text line: [start, contentEnd) is its text, [contentEnd, end) its
// line end (CR LF, LF, or nothing on an unterminated last line).
struct Line
{
    qsizetype start = 0;
    qsizetype contentEnd = 0;
    qsizetype end = 0;
};

// Where an entry's parts lie in the file.
struct EntryPos
{
    Line line;
    QByteArray key;
    qsizetype valueStart = 0; // first byte of the value, blanks skipped
    qsizetype valueEnd = 0;   // one past its last byte that is not blank
};

// The lines of the first section so named, its header excluded.
struct SectionPos
{
    bool found = false;
    Line header;
    QList<Line> lines;
};

QList<Line> splitLines(const QByteArray &file)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < file.size()) {
        const qsizetype lf = file.indexOf('\n', start);
        Line line;
        line.start = start;
        line.end = lf < 0 ? file.size() : lf + 1;
        // A CR before the LF belongs to the line end; so does a CR that ends
        // the file, or a line written after it would change this line's text.
        const qsizetype stop = lf < 0 ? file.size() : lf;
        line.contentEnd = stop > start && file.at(stop - 1) == '\r' ? stop - 1 : stop;
        lines.append(line);
        start = line.end;
    }
    return lines;
}

QByteArray text(const QByteArray &file, const Line &line)
{
    return file.mid(line.start, line.contentEnd - line.start);
}

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The section name of a header line "[name]", if the line is one.
std::optional<QByteArray> headerName(const QByteArray &lineText)
{
    const QByteArray t = lineText.trimmed();
    if (!t.startsWith('['))
        return std::nullopt;
    const qsizetype close = t.indexOf(']');
    return t.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

SectionPos findSection(const QByteArray &file, const QByteArray &section)
{
    SectionPos pos;
    for (const Line &line : splitLines(file)) {
        const auto name = headerName(text(file, line));
        if (pos.found) {
            if (name)
                break;
            pos.lines.append(line);
        } else if (name && sameName(*name, section)) {
            pos.found = true;
            pos.header = line;
        }
    }
    return pos;
}

std::optional<EntryPos> parseEntry(const QByteArray &file, const Line &line)
{
    qsizetype first = line.start;
    while (first < line.contentEnd && isBlank(file.at(first)))
        ++first;
    if (first == line.contentEnd || file.at(first) == ';')
        return std::nullopt;
    const qsizetype equals = file.indexOf('=', first);
    if (equals < 0 || equals >= line.contentEnd)
        return std::nullopt;
    EntryPos entry;
    entry.line = line;
    entry.key = file.mid(first, equals - first).trimmed();
    if (entry.key.isEmpty())
        return std::nullopt;
    entry.valueStart = equals + 1;
    while (entry.valueStart < line.contentEnd && isBlank(file.at(entry.valueStart)))
        ++entry.valueStart;
    entry.valueEnd = line.contentEnd;
    while (entry.valueEnd > entry.valueStart && isBlank(file.at(entry.valueEnd - 1)))
        --entry.valueEnd;
    return entry;
}

// The value as the profile functions return it: one pair of matching
// quotes around it is taken off.
QByteArray valueOf(const QByteArray &file, const EntryPos &entry)
{
    QByteArray v = file.mid(entry.valueStart, entry.valueEnd - entry.valueStart);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

QList<EntryPos> entriesOf(const QByteArray &file, const SectionPos &section)
{
    QList<EntryPos> entries;
    for (const Line &line : section.lines) {
        if (auto entry = parseEntry(file, line)) {
            const bool repeated = std::any_of(entries.cbegin(), entries.cend(),
                                              [&](const EntryPos &e) { return sameName(e.key, entry->key); });
            if (!repeated)
                entries.append(*entry);
        }
    }
    return entries;
}

QByteArray lineEndOf(const QByteArray &file)
{
    const qsizetype lf = file.indexOf('\n');
    if (lf > 0 && file.at(lf - 1) == '\r')
        return "\r\n";
    return lf < 0 ? QByteArray("\r\n") : QByteArray("\n");
}

} // namespace

QList<Entry> sectionEntries(const QByteArray &file, const QByteArray &section)
{
    QList<Entry> result;
    for (const EntryPos &entry : entriesOf(file, findSection(file, section)))
        result.append({entry.key, valueOf(file, entry)});
    return result;
}

std::optional<QByteArray> value(const QByteArray &file, const QByteArray &section, const QByteArray &key)
{
    for (const Entry &entry : sectionEntries(file, section)) {
        if (sameName(entry.key, key))
            return entry.value;
    }
    return std::nullopt;
}

QByteArray withValue(const QByteArray &file, const QByteArray &section, const QByteArray &key,
                     const QByteArray &value)
{
    Q_ASSERT(!value.contains('\n') && !value.contains('\r') && !key.contains('\n') && !key.contains('\r'));
    const QByteArray eol = lineEndOf(file);
    const SectionPos pos = findSection(file, section);
    QByteArray result = file;
    if (!pos.found) {
        if (result.endsWith('\r'))
            result += '\n';
        else if (!result.isEmpty() && !result.endsWith('\n'))
            result += eol;
        return result + '[' + section + ']' + eol + key + '=' + value + eol;
    }
    for (const EntryPos &entry : entriesOf(file, pos)) {
        if (sameName(entry.key, key))
            return result.replace(entry.valueStart, entry.valueEnd - entry.valueStart, value);
    }
    Line last = pos.header;
    for (const Line &line : pos.lines) {
        if (!text(file, line).trimmed().isEmpty())
            last = line;
    }
    // An unterminated last line gets its end: the LF a closing CR lacks, or
    // the file's own line end.
    const QByteArray lineEnd = file.mid(last.contentEnd, last.end - last.contentEnd);
    const QByteArray completion = lineEnd.endsWith('\n') ? QByteArray() : lineEnd == "\r" ? QByteArray("\n") : eol;
    return result.insert(last.end, completion + key + '=' + value + eol);
}

} // namespace IniFile
