#include "base/IniFile.h"

#include <QTest>

using Lines = QList<QByteArray>;

class TestIniFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sectionEntries_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Lines>("entries");
        QTest::newRow("entries in file order") << QByteArray("[Param]\r\nB=2\r\nA=1\r\n") << Lines{"B=2", "A=1"};
        QTest::newRow("section name in any case") << QByteArray("[pARAM]\r\nLangue=x\r\n") << Lines{"Langue=x"};
        QTest::newRow("blanks around names and values")
            << QByteArray("  [ Param ]  \n \tLangue =  Anglais \t\n") << Lines{"Langue=Anglais"};
        QTest::newRow("key keeps its own case") << QByteArray("[Param]\nlangue=Anglais\n") << Lines{"langue=Anglais"};
        QTest::newRow("comments skipped") << QByteArray("[Param]\n;Langue=x\n  ; y=1\nK=v\n") << Lines{"K=v"};
        QTest::newRow("lines without equals sign skipped") << QByteArray("[Param]\nnothing\n=novalue\nK=v\n")
                                                           << Lines{"K=v"};
        QTest::newRow("other sections ignored") << QByteArray("X=0\n[A]\nX=1\n[Param]\nY=2\n[B]\nZ=3\n") << Lines{"Y=2"};
        QTest::newRow("first of two equal sections counts") << QByteArray("[Param]\nA=1\n[param]\nB=2\n") << Lines{"A=1"};
        QTest::newRow("repeated key listed once with its first value")
            << QByteArray("[Param]\nK=1\nk=2\nL=3\n") << Lines{"K=1", "L=3"};
        QTest::newRow("one pair of quotes taken off") << QByteArray("[Param]\nA=\"Anglais\"\nB='x'\nC=\"y'\n")
                                                      << Lines{"A=Anglais", "B=x", "C=\"y'"};
        QTest::newRow("equals sign inside the value") << QByteArray("[Param]\nA=b=c\n") << Lines{"A=b=c"};
        QTest::newRow("Windows-1252 bytes kept") << QByteArray("[Param]\r\nLangue=Fran\xe7" "ais\r\n")
                                                 << Lines{"Langue=Fran\xe7" "ais"};
        QTest::newRow("unterminated last line") << QByteArray("[Param]\nA=1") << Lines{"A=1"};
        QTest::newRow("a CR ending the file is a line end") << QByteArray("[Param]\nA=1\r") << Lines{"A=1"};
        QTest::newRow("no such section") << QByteArray("[Other]\nA=1\n") << Lines{};
        QTest::newRow("empty file") << QByteArray() << Lines{};
        QTest::newRow("header without closing bracket") << QByteArray("[Param\nA=1\n") << Lines{"A=1"};
    }

    void sectionEntries()
    {
        QFETCH(QByteArray, file);
        QFETCH(Lines, entries);
        Lines lines;
        for (const IniFile::Entry &entry : IniFile::sectionEntries(file, "Param"))
            lines.append(entry.line());
        QCOMPARE(lines, entries);
    }

    void withValue_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty file gets section and key with CR LF")
            << QByteArray() << QByteArray("[Param]\r\nLangue=Italien\r\n");
        QTest::newRow("value replaced in place, every other byte kept")
            << QByteArray("; settings\r\n[Other]\r\nLangue=Anglais\r\n\r\n[Param]\r\nFoo=1\r\nLangue=Anglais\r\nBar=2\r\n")
            << QByteArray("; settings\r\n[Other]\r\nLangue=Anglais\r\n\r\n[Param]\r\nFoo=1\r\nLangue=Italien\r\nBar=2\r\n");
        QTest::newRow("blanks around the old value kept, quotes replaced")
            << QByteArray("[Param]\nLangue = \"Anglais\"  \n") << QByteArray("[Param]\nLangue = Italien  \n");
        QTest::newRow("names matched in any case and kept")
            << QByteArray("[PARAM]\nLANGUE=Anglais\n") << QByteArray("[PARAM]\nLANGUE=Italien\n");
        QTest::newRow("empty value filled") << QByteArray("[Param]\nLangue=\nX=1\n") << QByteArray("[Param]\nLangue=Italien\nX=1\n");
        QTest::newRow("first of repeated keys replaced")
            << QByteArray("[Param]\nLangue=a\nLangue=b\n") << QByteArray("[Param]\nLangue=Italien\nLangue=b\n");
        QTest::newRow("longer old value shrinks the line")
            << QByteArray("[Param]\r\nLangue=Fran\xe7" "ais et plus\r\nX=1") << QByteArray("[Param]\r\nLangue=Italien\r\nX=1");
        QTest::newRow("missing key added after last line of section, before blank lines")
            << QByteArray("[Param]\r\nFoo=1\r\n\r\n[Other]\r\nX=1\r\n")
            << QByteArray("[Param]\r\nFoo=1\r\nLangue=Italien\r\n\r\n[Other]\r\nX=1\r\n");
        QTest::newRow("missing key after a comment in the section")
            << QByteArray("[Param]\r\n;Langue=Anglais\r\n") << QByteArray("[Param]\r\n;Langue=Anglais\r\nLangue=Italien\r\n");
        QTest::newRow("missing key in empty section") << QByteArray("[Param]\n[B]\n") << QByteArray("[Param]\nLangue=Italien\n[B]\n");
        QTest::newRow("missing key after unterminated last line")
            << QByteArray("[Param]\nFoo=1") << QByteArray("[Param]\nFoo=1\nLangue=Italien\n");
        QTest::newRow("missing section appended in the file's LF style")
            << QByteArray("[Other]\nX=1\n") << QByteArray("[Other]\nX=1\n[Param]\nLangue=Italien\n");
        QTest::newRow("missing section after unterminated last line")
            << QByteArray("[Other]\r\nX=1") << QByteArray("[Other]\r\nX=1\r\n[Param]\r\nLangue=Italien\r\n");
        QTest::newRow("a CR ending the file ends its last line")
            << QByteArray("[Param]\r\nFoo=x\r") << QByteArray("[Param]\r\nFoo=x\r\nLangue=Italien\r\n");
        QTest::newRow("section appended after a CR ending the file")
            << QByteArray("[Other]\r\nX=1\r") << QByteArray("[Other]\r\nX=1\r\n[Param]\r\nLangue=Italien\r\n");
        QTest::newRow("key of another section is not ours")
            << QByteArray("[Other]\r\nLangue=Anglais\r\n") << QByteArray("[Other]\r\nLangue=Anglais\r\n[Param]\r\nLangue=Italien\r\n");
    }

    void withValue()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        const QByteArray result = IniFile::withValue(file, "Param", "Langue", "Italien");
        QCOMPARE(result, expected);
        // What was written reads back.
        QCOMPARE(IniFile::value(result, "Param", "langue"), std::optional<QByteArray>("Italien"));
    }

    void valueOfMissingKey()
    {
        QCOMPARE(IniFile::value("[Param]\nA=1\n", "Param", "Langue"), std::nullopt);
        QCOMPARE(IniFile::value("[Param]\nLangue=\n", "Param", "Langue"), std::optional<QByteArray>(""));
    }
};

QTEST_APPLESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
