#include "base/Errors.h"
#include "config/LineList.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Lines = QList<QByteArray>;

class TestLineList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultContent()
    {
        LineList list;
        QCOMPARE(list.count(), 31);
        for (int i = 0; i < 31; ++i)
            QCOMPARE(list.line(i), i == 9 ? QByteArray(" ") : QByteArray());
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Lines>("lines");
        QTest::newRow("zero bytes give zero lines") << QByteArray() << Lines{};
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << Lines{"a", "b"};
        QTest::newRow("lf only reads like crlf") << QByteArray("a\nb\n") << Lines{"a", "b"};
        QTest::newRow("lone cr reads like crlf") << QByteArray("a\rb\r") << Lines{"a", "b"};
        QTest::newRow("unterminated last line counts") << QByteArray("a\r\nb") << Lines{"a", "b"};
        QTest::newRow("mixed terminators") << QByteArray("a\rb\nc\r\nd") << Lines{"a", "b", "c", "d"};
        QTest::newRow("cr then lf separately is one terminator") << QByteArray("a\r\n\nb") << Lines{"a", "", "b"};
        QTest::newRow("lf cr is two terminators") << QByteArray("a\n\rb") << Lines{"a", "", "b"};
        QTest::newRow("empty lines kept") << QByteArray("\r\n\r\n") << Lines{"", ""};
        QTest::newRow("spaces at both ends kept") << QByteArray("  a b  \r\n   \r\n") << Lines{"  a b  ", "   "};
        QTest::newRow("single terminator is one empty line") << QByteArray("\n") << Lines{""};
        QTest::newRow("high bytes untouched") << QByteArray("Cam\xe9ra \x80\xff\r\n") << Lines{"Cam\xe9ra \x80\xff"};
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Lines, lines);
        QCOMPARE(LineList::parse(bytes), lines);
    }

    void roundTripKeepsBytes_data()
    {
        QTest::addColumn<Lines>("lines");
        Lines nominal = LineList::defaultLines();
        nominal[0] = "http://10.0.0.1/cgi-bin/mjpg/video.cgi?resolution=352x288";
        nominal[10] = "Cam\xe9ra entr\xe9\x65 \x80";
        nominal[18] = "    ";
        nominal[30] = "\xff\xfe\xa0";
        QTest::newRow("31 lines with empty, blank and high-byte lines") << nominal;
        Lines forty;
        for (int i = 0; i < 40; ++i)
            forty.append(QByteArray::number(i) + " line");
        QTest::newRow("40 lines are all kept") << forty;
        QTest::newRow("short list is not padded") << Lines{"a", "", " "};
        QTest::newRow("no lines") << Lines{};
    }

    void roundTripKeepsBytes()
    {
        QFETCH(Lines, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.lst"));
        LineList out;
        out.setLines(lines);
        out.saveToFile(path);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes, LineList::serialize(lines));
        QCOMPARE(bytes.count("\r\n"), lines.size());

        LineList in;
        in.loadFromFile(path);
        QCOMPARE(in.lines(), lines);
        // And written again, the same bytes.
        in.saveToFile(path);
        QVERIFY(file.seek(0));
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }

    void serializeTerminatesEveryLine()
    {
        QCOMPARE(LineList::serialize({"a", "", " "}), QByteArray("a\r\n\r\n \r\n"));
        QCOMPARE(LineList::serialize({}), QByteArray());
    }

    void outOfRangeRaisesListIndexError_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::newRow("one past the end") << 31 << 31;
        QTest::newRow("negative") << 31 << -1;
        QTest::newRow("short list") << 10 << 17;
        QTest::newRow("empty list") << 0 << 0;
    }

    void outOfRangeRaisesListIndexError()
    {
        QFETCH(int, count);
        QFETCH(int, index);
        LineList list;
        list.setLines(LineList::emptyLines(count));
        const QString expected = QStringLiteral("List index out of bounds (%1)").arg(index);
        try {
            list.line(index);
            QFAIL("read did not raise");
        } catch (const ListIndexError &e) {
            QCOMPARE(e.message(), expected);
        }
        try {
            list.setLine(index, "x");
            QFAIL("write did not raise");
        } catch (const ListIndexError &e) {
            QCOMPARE(e.message(), expected);
        }
        QCOMPARE(list.count(), count);
    }

    void textConvertsWindows1252_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readBack");
        const QString mapped = QString::fromUtf8("Caméra € 1");
        QTest::newRow("mapped characters") << mapped << QByteArray("Cam\xe9ra \x80 1") << mapped;
        // One '?' per character, never a control byte.
        QTest::newRow("no Windows-1252 byte") << QString::fromUtf8("Ōsaka Łódź")
                                              << QByteArray("?saka ?\xf3" "d?") << QString::fromUtf8("?saka ?ód?");
        QTest::newRow("outside the basic plane") << QString::fromUtf8("a\U0001F600b") << QByteArray("a?b")
                                                 << QStringLiteral("a?b");
        QTest::newRow("a lone surrogate") << (QStringLiteral("a") + QChar(0xd800) + QStringLiteral("b"))
                                          << QByteArray("a?b") << QStringLiteral("a?b");
        QTest::newRow("control bytes stay themselves") << QStringLiteral("\x1a\x7f") << QByteArray("\x1a\x7f")
                                                       << QStringLiteral("\x1a\x7f");
    }

    void textConvertsWindows1252()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readBack);
        LineList list;
        list.setText(9, text);
        QCOMPARE(list.line(9), bytes);
        QCOMPARE(list.text(9), readBack);
    }

    // The quad and nine-camera windows show camera 3's sub-stream only when
    // line 33 is one of the addresses a camera is asked with.
    void multiViewAddress_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("subStream");
        QTest::addColumn<QString>("shown");
        const QString main = QStringLiteral("rtsp://cam/main");
        QTest::newRow("a 31-line list shows the stream") << 31 << QByteArray() << main;
        QTest::newRow("empty sub-stream line") << 40 << QByteArray() << main;
        QTest::newRow("rtsp sub-stream") << 40 << QByteArray("rtsp://cam/sub") << QStringLiteral("rtsp://cam/sub");
        QTest::newRow("https sub-stream") << 40 << QByteArray("https://cam/s") << QStringLiteral("https://cam/s");
        QTest::newRow("not an address a camera is asked with") << 40 << QByteArray("ftp://cam/sub") << main;
        QTest::newRow("a name, not an address") << 40 << QByteArray("Entrance") << main;
    }
    void multiViewAddress()
    {
        QFETCH(int, count);
        QFETCH(QByteArray, subStream);
        QFETCH(QString, shown);
        LineList list;
        list.setLines(LineList::emptyLines(count));
        list.setText(3, QStringLiteral("rtsp://cam/main"));
        if (count > 34)
            list.setLine(34, subStream);
        QCOMPARE(list.multiViewAddress(3), shown);
    }

    void extendingKeepsEveryLineAndNeverShortens()
    {
        LineList list;
        list.setLines({"a", "b"});
        list.extendTo(LineList::ExtendedLineCount);
        list.setText(33, QStringLiteral("rtsp://cam/sub"));
        QCOMPARE(list.count(), qsizetype(40));
        QCOMPARE(list.line(0), QByteArray("a"));
        QCOMPARE(list.line(33), QByteArray("rtsp://cam/sub"));
        Lines fortyFive = LineList::emptyLines(45);
        list.setLines(fortyFive);
        list.extendTo(LineList::ExtendedLineCount);
        QCOMPARE(list.count(), qsizetype(45));
    }

    void missingFileLeavesListUnchanged()
    {
        QTemporaryDir dir;
        LineList list;
        list.setLines({"keep"});
        QVERIFY_THROWS_EXCEPTION(FileError, list.loadFromFile(dir.filePath(QStringLiteral("none.lst"))));
        QCOMPARE(list.lines(), Lines{"keep"});
    }

    void fileLargerThanTheBoundIsRefused_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("read");
        QTest::newRow("at the bound") << LineList::MaxFileBytes << true;
        QTest::newRow("one byte past") << LineList::MaxFileBytes + 1 << false;
    }

    void fileLargerThanTheBoundIsRefused()
    {
        QFETCH(qint64, size);
        QFETCH(bool, read);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.lst"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray line(1023, 'x');
        line += '\n';
        for (qint64 written = 0; written < size; written += line.size())
            file.write(line.left(int(qMin<qint64>(line.size(), size - written))));
        file.close();
        LineList list;
        list.setLines({"keep"});
        if (read) {
            list.loadFromFile(path);
            QCOMPARE(list.count(), qsizetype(size / 1024));
        } else {
            QVERIFY_THROWS_EXCEPTION(FileError, list.loadFromFile(path));
            QCOMPARE(list.lines(), Lines{"keep"});
        }
    }

    void failedWriteKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.lst"));
        LineList old;
        old.setLines({"old", "content"});
        old.saveToFile(path);

        // A file-size limit makes the write fail part way, even for root,
        // who ignores folder permissions.
        FileSizeLimit limit(16);
        LineList fresh;
        fresh.setLines(Lines(10, QByteArray("a line longer than the limit")));
        QVERIFY_THROWS_EXCEPTION(FileError, fresh.saveToFile(path));
        limit.lift();

        LineList back;
        back.loadFromFile(path);
        QCOMPARE(back.lines(), (Lines{"old", "content"}));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.lst")});
    }

    void changedSignalNamesTheLine()
    {
        LineList list;
        QSignalSpy spy(&list, &LineList::changed);
        list.setLine(4, "x");
        list.setLines({});
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).value<qsizetype>(), 4);
        QCOMPARE(spy.at(1).at(0).value<qsizetype>(), -1);
    }
};

QTEST_GUILESS_MAIN(TestLineList)
#include "tst_linelist.moc"
