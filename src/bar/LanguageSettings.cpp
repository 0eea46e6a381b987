#include "bar/LanguageSettings.h"

#include "base/SafeFile.h"
#include "base/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

const QByteArray LanguageSettings::Section = "Param";
const QByteArray LanguageSettings::Key = "Langue";

QByteArray LanguageSettings::value(Language language)
{
    switch (language) {
    case Language::French:
        return QByteArrayLiteral("Fran\xe7" "ais"); // "ç" is 0xE7 in Windows-1252
    case Language::English:
        return QByteArrayLiteral("Anglais");
    case Language::Italian:
        return QByteArrayLiteral("Italien");
    }
    return {};
}

QByteArray LanguageSettings::entry(Language language)
{
    return Key + '=' + value(language);
}

QString LanguageSettings::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ocellane/cc8326.dll");
}

LanguageSettings::LanguageSettings(QString path)
    : m_path(std::move(path))
{
}

LanguageSettings::Content LanguageSettings::read() const
{
    Content content;
    QFile file(m_path);
    if (!file.exists())
        return content;
    content.state = State::Unreadable;
    if (!file.open(QIODevice::ReadOnly)) {
        content.error = file.errorString();
        return content;
    }
    // One byte past the bound tells a file that is too large.
    const QByteArray bytes = file.read(IniFile::MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        content.error = file.errorString();
        return content;
    }
    if (bytes.size() > IniFile::MaxFileSize) {
        content.error = QStringLiteral("File larger than %1 bytes").arg(IniFile::MaxFileSize);
        return content;
    }
    content.state = State::Read;
    content.bytes = bytes;
    return content;
}

QString LanguageSettings::write(const Content &content, const QByteArray &value) const
{
    // Rewriting a file we could not read would lose what it holds.
    if (content.state == State::Unreadable)
        return QStringLiteral("Cannot read file \"%1\". %2").arg(m_path, content.error);
    const QString dir = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(dir))
        return QStringLiteral("Cannot write file \"%1\". Cannot create folder \"%2\".").arg(m_path, dir);
    const QString error = SafeFile::write(m_path, IniFile::withValue(content.bytes, Section, Key, value));
    return error.isEmpty() ? QString() : QStringLiteral("Cannot write file \"%1\". %2").arg(m_path, error);
}

QString LanguageSettings::ensureLanguage() const
{
    const Content content = read();
    if (IniFile::value(content.bytes, Section, Key))
        return {};
    return write(content, value(Language::French));
}

QList<QByteArray> LanguageSettings::entries() const
{
    QList<QByteArray> lines;
    for (const IniFile::Entry &entry : IniFile::sectionEntries(read().bytes, Section))
        lines.append(entry.line());
    return lines;
}

QString LanguageSettings::storeLanguage(const QByteArray &value) const
{
    return write(read(), value);
}
