#include "base/Errors.h"
#include "bar/Sequencer.h"
#include "config/LineList.h"

#include <QTest>

#include <algorithm>

namespace {

// Records what a step asks of the bar, and keeps the bar's resulting state.
class RecordingSink : public Sequencer::Sink
{
public:
    QStringList events;
    QString address = QStringLiteral("untouched");
    QList<int> shown; // camera whose address the box held at each show
    std::array<int, 10> colours{0, Sequencer::Red, Sequencer::White, Sequencer::White, Sequencer::White,
                                Sequencer::White, Sequencer::White, Sequencer::White, Sequencer::White,
                                Sequencer::White};

    void setAddress(const QString &a) override
    {
        events << QStringLiteral("address ") + a;
        address = a;
    }
    void showSingleView() override
    {
        events << QStringLiteral("show");
        shown << address.section(QLatin1Char('/'), -1).toInt() + 1;
    }
    void paintPanel(int camera, int colour) override
    {
        events << QStringLiteral("paint %1 %2").arg(camera).arg(name(colour));
        colours.at(camera) = colour;
    }
    static QString name(int colour)
    {
        return colour == Sequencer::Red ? QStringLiteral("red") : colour == Sequencer::White ? QStringLiteral("white")
                                                                                           : QStringLiteral("grey");
    }
    QList<int> redPanels() const
    {
        QList<int> red;
        for (int k = 1; k <= 9; ++k)
            if (colours.at(k) == Sequencer::Red)
                red << k;
        return red;
    }
};

void fillList(LineList &list, int lines)
{
    QList<QByteArray> content;
    for (int i = 0; i < lines; ++i)
        content << "http://cam/" + QByteArray::number(i);
    list.setLines(content);
}

void include(Sequencer &sequencer, const QString &flags)
{
    for (int k = 1; k <= 9; ++k)
        sequencer.sequenceIncluded.at(k) = flags.at(k - 1) == QLatin1Char('1') ? 1 : 0;
}

QString line(int index)
{
    return QStringLiteral("http://cam/%1").arg(index);
}

} // namespace

// Qt 6.4's QList<int>::operator== hands memcmp a null pointer when both
// lists are empty, which the undefined-behaviour sanitizer reports; compare
// element by element instead.
static bool sameCameras(const QList<int> &a, const QList<int> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

class TestSequencer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startState()
    {
        Sequencer s;
        QCOMPARE(s.sequencePosition, 0);
        QCOMPARE(s.sequenceLength, 9);
        for (int k = 1; k <= 9; ++k)
            QVERIFY(s.isIncluded(k));
    }

    // Per tick from start-up: the camera shown (0: none) and the panel left
    // red (0: none).
    void ticksFromStart_data()
    {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QList<int>>("shown");
        QTest::addColumn<QList<int>>("red");
        QTest::addColumn<int>("finalAddressLine");
        QTest::newRow("all nine: ten ticks, the last shows nothing")
            << "111111111" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1} << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 1}
            << 0;
        QTest::newRow("none included: nothing shown, all grey") << "000000000" << QList<int>{0, 0, 0}
                                                                << QList<int>{0, 0, 0} << 8;
        QTest::newRow("only camera 9: shown every other tick")
            << "000000001" << QList<int>{9, 0, 9, 0} << QList<int>{9, 9, 9, 9} << 8;
        QTest::newRow("only camera 1: end tick clears the mark, leaves line 8")
            << "100000000" << QList<int>{1, 0, 1} << QList<int>{1, 0, 1} << 0;
        QTest::newRow("camera 1 excluded: first tick goes on to camera 2")
            << "011111111" << QList<int>{2, 3} << QList<int>{2, 3} << 2;
        QTest::newRow("camera 9 excluded: end tick runs past camera 8")
            << "111111110" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 0, 1} << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 0, 1} << 0;
        QTest::newRow("three included: four ticks per cycle")
            << "010010100" << QList<int>{2, 5, 7, 0, 2} << QList<int>{2, 5, 7, 0, 2} << 1;
    }

    void ticksFromStart()
    {
        QFETCH(QString, flags);
        QFETCH(QList<int>, shown);
        QFETCH(QList<int>, red);
        QFETCH(int, finalAddressLine);
        LineList list;
        fillList(list, 31);
        Sequencer s;
        include(s, flags);
        RecordingSink sink;
        for (int t = 0; t < shown.size(); ++t) {
            sink.shown.clear();
            s.tick(list, sink);
            const QList<int> expectShown = shown.at(t) ? QList<int>{shown.at(t)} : QList<int>{};
            QVERIFY2(sameCameras(sink.shown, expectShown), qPrintable(QStringLiteral("tick %1").arg(t + 1)));
            const QList<int> expectRed = red.at(t) ? QList<int>{red.at(t)} : QList<int>{};
            QVERIFY2(sameCameras(sink.redPanels(), expectRed), qPrintable(QStringLiteral("tick %1").arg(t + 1)));
            // Every panel that is not red shows its camera's flag.
            for (int k = 1; k <= 9; ++k)
                if (k != red.at(t) && sink.colours.at(k) != Sequencer::White)
                    QCOMPARE(sink.colours.at(k), s.inclusionColour(k));
        }
        QCOMPARE(sink.address, line(finalAddressLine));
    }

    // The order matters to the bar: the box is written before the show, and
    // each repaint of a predecessor comes after its successor's step.
    void firstTickEventsInOrder_data()
    {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("position");
        QTest::newRow("all excluded: every step, all grey")
            << "000000000"
            << QStringList{"address " + line(0), "address " + line(1), "paint 9 grey", "address " + line(2),
                           "paint 1 grey",       "address " + line(3), "paint 2 grey", "address " + line(4),
                           "paint 3 grey",       "address " + line(5), "paint 4 grey", "address " + line(6),
                           "paint 5 grey",       "address " + line(7), "paint 6 grey", "address " + line(8),
                           "paint 7 grey",       "paint 8 grey"}
            << 0;
        QTest::newRow("camera 1 excluded: show comes before the red mark")
            << "011111111"
            << QStringList{"address " + line(0), "address " + line(1), "paint 9 white", "show", "paint 2 red",
                           "paint 1 grey"}
            << 2;
    }

    void firstTickEventsInOrder()
    {
        QFETCH(QString, flags);
        QFETCH(QStringList, events);
        QFETCH(int, position);
        LineList list;
        fillList(list, 31);
        Sequencer s;
        include(s, flags);
        RecordingSink sink;
        s.tick(list, sink);
        QCOMPARE(sink.events, events);
        QCOMPARE(s.sequencePosition, position);
    }

    // Every one of the 512 inclusion patterns: a cycle of N included cameras
    // takes N + 1 ticks and shows each of them once, in camera order.
    void everyPatternCyclesInNPlusOneTicks()
    {
        LineList list;
        fillList(list, 31);
        for (int mask = 0; mask < 512; ++mask) {
            Sequencer s;
            QList<int> included;
            for (int k = 1; k <= 9; ++k) {
                s.sequenceIncluded.at(k) = (mask >> (k - 1)) & 1;
                if (s.isIncluded(k))
                    included << k;
            }
            RecordingSink sink;
            const int ticks = int(included.size()) + 1;
            for (int cycle = 0; cycle < 2; ++cycle) {
                sink.shown.clear();
                for (int t = 0; t < ticks; ++t)
                    s.tick(list, sink);
                QVERIFY2(sink.shown == included, qPrintable(QStringLiteral("mask %1").arg(mask)));
                QVERIFY2(s.sequencePosition == 0, qPrintable(QStringLiteral("mask %1").arg(mask)));
            }
        }
    }

    void toggleFlipsOnlyOne_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("colour");
        QTest::newRow("included becomes excluded") << 1 << 0 << Sequencer::Grey;
        QTest::newRow("excluded becomes included") << 0 << 1 << Sequencer::White;
        QTest::newRow("any other value counts as excluded") << 7 << 1 << Sequencer::White;
    }

    void toggleFlipsOnlyOne()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(int, colour);
        Sequencer s;
        s.sequenceIncluded.at(4) = before;
        QCOMPARE(s.toggle(4), colour);
        QCOMPARE(s.sequenceIncluded.at(4), after);
        QCOMPARE(s.sequenceIncluded.at(3), 1);
    }

    // A short list fails the tick at the missing line; what the tick did
    // before is done, and the position is already past the line.
    void missingLineFailsAfterMovingPast_data()
    {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<int>("startPosition");
        QTest::addColumn<QStringList>("eventsBeforeError");
        QTest::addColumn<int>("missingIndex");
        QTest::addColumn<int>("positionAfter");
        QTest::newRow("read of the next camera's line") << "111111111" << 5 << QStringList{} << 5 << 6;
        QTest::newRow("read past a skipped camera, after the box was written")
            << "111101111" << 4 << QStringList{"address " + line(4)} << 5 << 6;
    }

    void missingLineFailsAfterMovingPast()
    {
        QFETCH(QString, flags);
        QFETCH(int, startPosition);
        QFETCH(QStringList, eventsBeforeError);
        QFETCH(int, missingIndex);
        QFETCH(int, positionAfter);
        LineList list;
        fillList(list, 5);
        Sequencer s;
        include(s, flags);
        s.sequencePosition = startPosition;
        RecordingSink sink;
        try {
            s.tick(list, sink);
            QFAIL("the tick did not fail");
        } catch (const ListIndexError &e) {
            QCOMPARE(e.index(), missingIndex);
        }
        QCOMPARE(sink.events, eventsBeforeError);
        QCOMPARE(s.sequencePosition, positionAfter);
    }

    void ticksAfterAShortListCarryOnToTheWrap()
    {
        LineList list;
        fillList(list, 5);
        Sequencer s;
        s.sequencePosition = 5;
        RecordingSink sink;
        // Lines 5..8 are missing: four failing ticks, then the cycle closes
        // and the next one shows camera 1.
        for (int t = 0; t < 4; ++t)
            QVERIFY_THROWS_EXCEPTION(ListIndexError, s.tick(list, sink));
        QCOMPARE(s.sequencePosition, 9);
        s.tick(list, sink);
        QCOMPARE(s.sequencePosition, 0);
        s.tick(list, sink);
        QCOMPARE(sink.shown, QList<int>{1});
    }
};

QTEST_GUILESS_MAIN(TestSequencer)
#include "tst_sequencer.moc"
