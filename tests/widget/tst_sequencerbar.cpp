#include "support/ProgramFixture.h"
#include "bar/BarWidgets.h"
#include "bar/TForm1.h"
#include "camctl/TCamImage.h"
#include "views/TForm4.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The sequencer's controls on the real bar, driven by their handlers and
// by clicks; ticks are run by calling the timer's handler.
class TestSequencerBar : public QObject
{
    Q_OBJECT

    ProgramFixture m_program;
    static QString line(int index) { return ProgramFixture::address(index); }
    static void setList(int lines) { ProgramFixture::setList(lines); }

    QList<int> redPanels() const
    {
        QList<int> red;
        const QList<ClickPanel *> panels = Form1->inclusionPanels();
        for (int k = 1; k <= 9; ++k)
            if (panels.at(k - 1)->colour() == Sequencer::Red)
                red << k;
        return red;
    }

private Q_SLOTS:
    void init() { m_program.start(); }
    void cleanup() { m_program.stop(); }

    void startsStopped()
    {
        QVERIFY(!Form1->Timer1->isActive());
        QCOMPARE(Form1->CSpinEdit1->value(), 0);
        QCOMPARE(Form1->Panel7->colour(), 14672345);
        QCOMPARE(Form1->Panel8->colour(), 15132370);
    }

    void typedPeriod_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("five seconds") << "5" << true << 5000;
        QTest::newRow("odd value used as it stands") << "7" << true << 7000;
        QTest::newRow("thirty seconds") << "30" << true << 30000;
        QTest::newRow("zero stops") << "0" << false << 0;
    }

    void typedPeriod()
    {
        QFETCH(QString, typed);
        QFETCH(bool, running);
        QFETCH(int, intervalMs);
        // Start from a running sequencer so that zero has something to stop.
        Form1->CSpinEdit1->setValue(12);
        QVERIFY(Form1->Timer1->isActive());
        QLineEdit *edit = Form1->CSpinEdit1->findChild<QLineEdit *>();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QCOMPARE(Form1->CSpinEdit1->value(), typed.toInt());
        QCOMPARE(Form1->Timer1->isActive(), running);
        if (running)
            QCOMPARE(Form1->Timer1->interval(), intervalMs);
        QCOMPARE(Form1->Panel7->colour(), running ? Sequencer::Lime : Sequencer::Silver);
        QCOMPARE(Form1->Panel8->colour(), running ? Sequencer::Silver : Sequencer::Red);
    }

    void stoppingKeepsPositionAndMark()
    {
        Form1->Panel7Click();
        Form1->PlayList();
        Form1->PlayList();
        Form1->CSpinEdit1->setValue(0);
        QVERIFY(!Form1->Timer1->isActive());
        QCOMPARE(Form1->sequencer().sequencePosition, 2);
        QCOMPARE(redPanels(), QList<int>{2});
    }

    void onRunsEveryTwoSeconds()
    {
        Form1->Panel7Click();
        QCOMPARE(Form1->CSpinEdit1->value(), 2);
        QVERIFY(Form1->Timer1->isActive());
        QCOMPARE(Form1->Timer1->interval(), 2000);
        QCOMPARE(Form1->Panel7->colour(), Sequencer::Lime);
        QCOMPARE(Form1->Panel8->colour(), Sequencer::Silver);
    }

    void onWhileAtTwoKeepsRunningAndRepaints()
    {
        Form1->Panel7Click();
        Form1->Panel7->setColour(0);
        Form1->Panel8->setColour(0);
        QSignalSpy changes(Form1->CSpinEdit1, &QSpinBox::valueChanged);
        Form1->Panel7Click();
        QCOMPARE(changes.size(), 0);
        QVERIFY(Form1->Timer1->isActive());
        QCOMPARE(Form1->Timer1->interval(), 2000);
        QCOMPARE(Form1->Panel7->colour(), Sequencer::Lime);
        QCOMPARE(Form1->Panel8->colour(), Sequencer::Silver);
    }

    void offThenOnResumesAfterLastShown()
    {
        Form1->Panel7Click();
        for (int t = 0; t < 3; ++t)
            Form1->PlayList();
        QCOMPARE(Form4->CamImage1->URL(), line(2));
        Form1->Panel8Click();
        QVERIFY(!Form1->Timer1->isActive());
        QCOMPARE(Form1->CSpinEdit1->value(), 0);
        QCOMPARE(Form1->Panel8->colour(), Sequencer::Red);
        QCOMPARE(Form1->Panel7->colour(), Sequencer::Silver);
        Form1->Panel7Click();
        QVERIFY(Form1->Timer1->isActive());
        QCOMPARE(Form1->Timer1->remainingTime() > 1000, true);
        Form1->PlayList();
        QCOMPARE(Form4->CamImage1->URL(), line(3));
        QCOMPARE(Form1->URLCombo->currentText(), line(3));
        QCOMPARE(redPanels(), QList<int>{4});
    }

    void tickShowsTheCameraInTheSingleView()
    {
        Form1->SpeedButton26Click(); // zoom x1.5
        Form1->PlayList();
        QVERIFY(Form4->isVisible());
        QCOMPARE(Form4->CamImage1->URL(), line(0));
        QVERIFY(!Form4->CamImage1->isVisible());
        QCOMPARE(Form1->URLCombo->currentText(), line(0));
        QCOMPARE(redPanels(), QList<int>{1});
        // The sequencer leaves the user's camera alone.
        QCOMPARE(Form1->currentCamera(), 0);
    }

    void cameraButtonDoesNotMoveTheMark()
    {
        Form1->Panel7Click();
        Form1->PlayList();
        Form1->PlayList();
        QTest::mouseClick(Form1->SpeedButton20, Qt::LeftButton); // camera 5
        QCOMPARE(Form4->CamImage1->URL(), line(4));
        QCOMPARE(Form1->currentCamera(), 4);
        QCOMPARE(redPanels(), QList<int>{2});
        Form1->PlayList();
        QCOMPARE(Form4->CamImage1->URL(), line(2));
        QCOMPARE(redPanels(), QList<int>{3});
        QCOMPARE(Form1->currentCamera(), 4);
    }

    void clickingAnInclusionPanelToggles_data()
    {
        QTest::addColumn<int>("camera");
        for (int k = 1; k <= 9; ++k)
            QTest::addRow("camera %d", k) << k;
    }

    void clickingAnInclusionPanelToggles()
    {
        QFETCH(int, camera);
        ClickPanel *panel = Form1->inclusionPanels().at(camera - 1);
        QTest::mouseClick(panel, Qt::LeftButton);
        QCOMPARE(Form1->sequencer().sequenceIncluded.at(camera), 0);
        QCOMPARE(panel->colour(), Sequencer::Grey);
        QTest::mouseClick(panel, Qt::LeftButton);
        QCOMPARE(Form1->sequencer().sequenceIncluded.at(camera), 1);
        QCOMPARE(panel->colour(), Sequencer::White);
        for (int k = 1; k <= 9; ++k)
            if (k != camera)
                QCOMPARE(Form1->sequencer().sequenceIncluded.at(k), 1);
    }

    // Through the window system, which turns a quick second press into a
    // press and a double-click event: the double-click counts once.
    void doubleClickOnAnInclusionPanelCountsOnce_data()
    {
        QTest::addColumn<int>("clicksAfter");
        QTest::addColumn<int>("included");
        QTest::newRow("double-click takes the camera out") << 0 << 0;
        QTest::newRow("a click after it puts it back") << 1 << 1;
    }

    void doubleClickOnAnInclusionPanelCountsOnce()
    {
        QFETCH(int, clicksAfter);
        QFETCH(int, included);
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        const QPoint centre = Form1->Panel5->mapTo(Form1, Form1->Panel5->rect().center());
        QTest::mouseDClick(Form1->windowHandle(), Qt::LeftButton, {}, centre);
        for (int i = 0; i < clicksAfter; ++i)
            QTest::mouseClick(Form1->windowHandle(), Qt::LeftButton, {}, centre);
        QCOMPARE(Form1->sequencer().sequenceIncluded.at(3), included);
        QCOMPARE(Form1->Panel5->colour(), included ? Sequencer::White : Sequencer::Grey);
    }

    void onAndOffPanelsAnswerClicks()
    {
        QTest::mouseClick(Form1->Panel7, Qt::LeftButton);
        QVERIFY(Form1->Timer1->isActive());
        QTest::mouseClick(Form1->Panel8, Qt::LeftButton);
        QVERIFY(!Form1->Timer1->isActive());
    }

    void excludedCamerasArePassedInOneTick()
    {
        Form1->Panel3Click();
        Form1->Panel4Click();
        Form1->PlayList();
        QCOMPARE(Form4->CamImage1->URL(), line(2));
        QCOMPARE(Form1->Panel3->colour(), Sequencer::Grey);
        QCOMPARE(Form1->Panel4->colour(), Sequencer::Grey);
        QCOMPARE(redPanels(), QList<int>{3});
    }

    void missingLineShowsErrorAndNextTickGoesOn()
    {
        setList(5);
        Form1->Panel15Click(); // camera 5 out
        for (int t = 0; t < 4; ++t)
            Form1->PlayList();
        QCOMPARE(redPanels(), QList<int>{4});
        // Line 4 goes into the box, then reading line 5 for camera 6 fails:
        // through the guard, as the timer calls it.
        QVERIFY(!ErrorBox::guard([] { Form1->PlayList(); }));
        QCOMPARE(m_program.errors, QStringList{QStringLiteral("List index out of bounds (5)")});
        QCOMPARE(Form1->URLCombo->currentText(), line(4));
        QCOMPARE(Form4->CamImage1->URL(), line(3));
        QCOMPARE(Form1->sequencer().sequencePosition, 6);
    }
};

QTEST_MAIN(TestSequencerBar)
#include "tst_sequencerbar.moc"
