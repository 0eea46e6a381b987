#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The interface languages the settings file can name.
enum class Language { French, English, Italian };

// The settings file "cc8326.dll" and its one setting, the interface
// language: key "Langue" of section "Param", Windows-1252 bytes. Every call
// opens, reads or writes, and closes the file.
class LanguageSettings
{
public:
    // The file in the user's configuration folder, under the exact name the
    // old program used, so a file brought along keeps working.
    static QString defaultPath();

    explicit LanguageSettings(QString path = defaultPath());
    QString path() const { return m_path; }

    // Start-up: writes "Langue=Français" when the key is missing (creating
    // the file and its folder as needed). A file that cannot be read is left
    // alone. Returns an error text, empty when the key is there.
    QString ensureLanguage() const;

    // The entries of section "Param" in file order as "key=value" lines;
    // none when the file is missing or cannot be read.
    QList<QByteArray> entries() const;

    // Stores a language value (Windows-1252 bytes), keeping every other
    // byte of the file. Returns an error text, empty on success.
    QString storeLanguage(const QByteArray &value) const;

    static const QByteArray Section;
    static const QByteArray Key;
    // The stored value naming a language: "Français", "Anglais", "Italien".
    static QByteArray value(Language language);
    // The entry line that selects the language: "Langue=Français"...
    static QByteArray entry(Language language);

private:
    enum class State { Missing, Read, Unreadable };
    struct Content
    {
        State state = State::Missing;
        QByteArray bytes;
        QString error;
    };
    Content read() const;
    QString write(const Content &content, const QByteArray &value) const;

    QString m_path;
};
