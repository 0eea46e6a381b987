#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// A small INI-format reader and writer working on the file's bytes, so the
// text stays byte-exact Windows-1252 and a write leaves every other byte of
// the file as it was. Names match the way the Windows profile functions
// match them: section and key names without regard to ASCII case, blanks
// around names and values ignored, the first of several equal sections or
// keys being the one that counts, lines starting with ';' being comments.
namespace IniFile {

// A settings file larger than this is not read at all: it is not ours.
inline constexpr qsizetype MaxFileSize = 1024 * 1024;

struct Entry
{
    QByteArray key;
    QByteArray value;
    // "key=value", as a section's entries are listed.
    QByteArray line() const { return key + '=' + value; }
};

// The entries of the first section so named, in file order, one per key:
// a key repeated later in the section is listed once, with its first value.
QList<Entry> sectionEntries(const QByteArray &file, const QByteArray &section);

// The value of the key in the section, if the key is there.
std::optional<QByteArray> value(const QByteArray &file, const QByteArray &section, const QByteArray &key);

// The file with the key set to value. An existing value is replaced in
// place; a missing key is added after the section's last line that is not
// blank; a missing section is added at the end of the file. New lines take
// the file's own line-end style (CR LF for a file that has none yet).
QByteArray withValue(const QByteArray &file, const QByteArray &section, const QByteArray &key,
                     const QByteArray &value);

} // namespace IniFile
