#include "base/IniFile.h"
#include "bar/LanguageSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using Lines = QList<QByteArray>;

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QByteArray French = "Fran\xe7" "ais";
} // namespace

class TestLanguageSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString path() const { return m_dir->filePath(QStringLiteral("ocellane/cc8326.dll")); }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void fileLivesInTheUserConfigFolder()
    {
        const QByteArray old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir->path().toUtf8());
        QCOMPARE(LanguageSettings::defaultPath(), path());
        qputenv("XDG_CONFIG_HOME", old);
    }

    void existingKeyIsLeftAsItIs_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("another language") << QByteArray("[Param]\nLangue=Anglais\n");
        QTest::newRow("an unknown value") << QByteArray("[Param]\r\nLangue=English");
        QTest::newRow("an empty value") << QByteArray("[Param]\r\nLangue=\r\n");
        QTest::newRow("key in another case") << QByteArray("[param]\r\nLANGUE=Anglais\r\n");
    }

    void existingKeyIsLeftAsItIs()
    {
        QFETCH(QByteArray, file);
        writeAll(path(), file);
        QCOMPARE(LanguageSettings(path()).ensureLanguage(), QString());
        QCOMPARE(readAll(path()), file);
    }

    void missingKeyIsAddedKeepingTheRest()
    {
        writeAll(path(), "; mine\n[Param]\nVersion=2\n\n[Other]\nLangue=Anglais\n");
        const LanguageSettings settings(path());
        QCOMPARE(settings.ensureLanguage(), QString());
        QCOMPARE(readAll(path()), "; mine\n[Param]\nVersion=2\nLangue=" + French + "\n\n[Other]\nLangue=Anglais\n");
        // The language is not the section's first entry.
        QCOMPARE(settings.entries(), (Lines{"Version=2", "Langue=" + French}));
    }

    void storeCreatesFolderAndFile()
    {
        QCOMPARE(LanguageSettings(path()).storeLanguage("Anglais"), QString());
        QCOMPARE(readAll(path()), QByteArray("[Param]\r\nLangue=Anglais\r\n"));
    }

    void oversizedFileIsNeitherReadNorOverwritten()
    {
        QByteArray big = "[Param]\r\nLangue=Anglais\r\n";
        big += QByteArray(IniFile::MaxFileSize + 1 - big.size(), ';');
        writeAll(path(), big);
        const LanguageSettings settings(path());
        QVERIFY(!settings.ensureLanguage().isEmpty());
        QVERIFY(settings.entries().isEmpty());
        QVERIFY(!settings.storeLanguage("Italien").isEmpty());
        QCOMPARE(readAll(path()), big);

        // At the bound exactly, the file is read.
        big.chop(1);
        writeAll(path(), big);
        QCOMPARE(settings.entries(), Lines{"Langue=Anglais"});
    }

    void unwritableFolderReportsAndReadsNothing()
    {
        // A file where the folder should be: nothing can be created there.
        writeAll(m_dir->filePath(QStringLiteral("ocellane")), "not a folder");
        const LanguageSettings settings(path());
        QVERIFY(!settings.ensureLanguage().isEmpty());
        QVERIFY(settings.entries().isEmpty());
        QVERIFY(!settings.storeLanguage("Anglais").isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestLanguageSettings)
#include "tst_languagesettings.moc"
