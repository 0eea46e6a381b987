#include "base/ErrorGuard.h"
#include "app/Forms.h"
#include "app/Startup.h"
#include "bar/BarWidgets.h"
#include "bar/TForm1.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

class TestTForm1 : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_oldCwd;

    QWidget *client(TForm1 &bar) { return bar.findChild<QWidget *>(QStringLiteral("Form1Client")); }
    // Whether a drag is on: only then does a move over the background move
    // the bar. The probe point is one no press in these tests uses.
    bool followsTheMouse(TForm1 &bar)
    {
        const QPoint before = bar.pos();
        QWidget *bg = client(bar);
        QMouseEvent probe(QEvent::MouseMove, QPointF(211, 61), bg->mapToGlobal(QPointF(211, 61)), Qt::NoButton,
                          Qt::LeftButton, {});
        QApplication::sendEvent(bg, &probe);
        const bool moved = bar.pos() != before;
        bar.move(before);
        return moved;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // No config.lst here: the default list.
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    void cleanupTestCase() { QDir::setCurrent(m_oldCwd); }

    void windowIsFramelessOnTopAtStoredPlace()
    {
        ProgramWindows windows;
        TForm1 &bar = *Form1;
        QCOMPARE(bar.windowTitle(), QStringLiteral("Ocellane 5.03"));
        QVERIFY(bar.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(bar.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(bar.size(), QSize(438, 74));
        QCOMPARE(bar.pos(), QPoint(197, 108));
        QCOMPARE(client(bar)->geometry(), QRect(1, 1, 436, 72));
        QCOMPARE(client(bar)->palette().color(QPalette::Window), QColor(51, 52, 100));
    }

    void controlsStandWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("menu button") << "SpeedButton7" << QRect(8, 4, 21, 21) << "Appuyer sur le bouton droit de la souris";
        QTest::newRow("zoom x2") << "SpeedButton27" << QRect(208, 4, 33, 21) << "Zoom 2 fois";
        QTest::newRow("address box hint is not shown") << "URLCombo" << QRect(8, 28, 281, 21) << "";
        QTest::newRow("camera 9") << "SpeedButton24" << QRect(328, 32, 17, 17) << "";
        QTest::newRow("close") << "SpeedButton11" << QRect(417, 0, 16, 14) << "";
        QTest::newRow("save picture") << "SpeedButton5" << QRect(348, 32, 85, 15) << "Sauvegarde de l'image actuelle";
        QTest::newRow("camera 9 inclusion") << "Panel19" << QRect(204, 56, 21, 8) << "";
        QTest::newRow("sequencer on") << "Panel7" << QRect(228, 56, 30, 8) << QString::fromUtf8("démarrage du Commutateur");
    }

    void controlsStandWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QFETCH(QString, toolTip);
        ProgramWindows windows;
        TForm1 &bar = *Form1;
        auto *w = client(bar)->findChild<QWidget *>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), rect);
        QCOMPARE(w->toolTip(), toolTip);
    }

    void periodBoxShowsTheHandOverItsText()
    {
        ProgramWindows windows;
        QCOMPARE(Form1->CSpinEdit1->findChild<QLineEdit *>()->cursor().shape(), Qt::PointingHandCursor);
    }

    void startColours()
    {
        ProgramWindows windows;
        TForm1 &bar = *Form1;
        QCOMPARE(bar.Panel3->colour(), 255);
        for (ClickPanel *panel : bar.inclusionPanels().mid(1))
            QCOMPARE(panel->colour(), 16777215);
        QCOMPARE(bar.Panel7->colour(), 14672345);
        QCOMPARE(bar.Panel8->colour(), 15132370);
        QCOMPARE(bar.URLCombo->lineEdit()->palette().color(QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(bar.URLCombo->lineEdit()->palette().color(QPalette::Base), QColor(0, 0, 0));
        // Buttons show the standard light face behind their black captions.
        const QImage face = bar.SpeedButton25->grab().toImage();
        const QColor beside = face.pixelColor(4, face.height() / 2);
        QVERIFY2(beside.lightness() > 160, qPrintable(beside.name()));
    }

    void menuTreeCaptions()
    {
        ProgramWindows windows;
        TForm1 &bar = *Form1;
        QStringList top;
        for (QAction *a : bar.PopupMenu1->actions())
            top << a->text();
        QCOMPARE(top, (QStringList{"Quitter", "Configuration", QString::fromUtf8("Choix Caméra"), "Affichage", "Aide"}));
        QStringList view;
        for (QAction *a : bar.Affichage2->actions())
            view << a->text();
        QCOMPARE(view, (QStringList{"1/2 Image", "Image  X 1", "Image X 1,5", "Image  X 2", "Quadravision ", "Multivision 9 voies"}));
        QCOMPARE(bar.Quitter2->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(bar.Camras2->actions().size(), 9);
    }

    void cameraMenuTakesListNames()
    {
        ProgramWindows windows;
        TForm1 &bar = *Form1;
        // Default list: line 9 holds one space, lines 10..17 are empty.
        QCOMPARE(bar.Camra1->text(), QStringLiteral(" "));
        for (QAction *item : bar.cameraMenuItems().mid(1))
            QCOMPARE(item->text(), QString());
        windows.cameraList().setText(13, QString::fromUtf8("Entrée"));
        bar.Camras1Click();
        QCOMPARE(bar.Camra5->text(), QString::fromUtf8("Entrée"));
    }

    void draggingTheBackgroundMovesTheBar_data()
    {
        QTest::addColumn<bool>("quickSecondPress");
        QTest::newRow("a press") << false;
        // Qt reports it as a double-click; it is a press all the same.
        QTest::newRow("a quick second press") << true;
    }

    void draggingTheBackgroundMovesTheBar()
    {
        QFETCH(bool, quickSecondPress);
        ProgramWindows windows;
        TForm1 &bar = *Form1;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        const QPoint start = bar.pos();
        QWidget *bg = client(bar);
        QTest::mousePress(bg, Qt::LeftButton, {}, QPoint(100, 30));
        if (quickSecondPress) {
            QTest::mouseRelease(bg, Qt::LeftButton, {}, QPoint(100, 30));
            QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(100, 30), bg->mapToGlobal(QPointF(100, 30)),
                               Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(bg, &second);
        }
        QMouseEvent moveEvent(QEvent::MouseMove, QPointF(110, 35), bg->mapToGlobal(QPointF(110, 35)), Qt::NoButton,
                              Qt::LeftButton, {});
        QApplication::sendEvent(bg, &moveEvent);
        QCOMPARE(bar.pos(), start + QPoint(10, 5));
        QTest::mouseRelease(bg, Qt::LeftButton, {}, QPoint(110, 35));
        QVERIFY(!followsTheMouse(bar));
    }

    void pressesOnControlsNeverMoveTheBar_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("camera button") << "SpeedButton15" << Qt::LeftButton;
        QTest::newRow("middle press on a camera button") << "SpeedButton15" << Qt::MiddleButton;
        QTest::newRow("product label") << "Label6" << Qt::LeftButton;
        QTest::newRow("inclusion panel") << "Panel4" << Qt::LeftButton;
    }

    void pressesOnControlsNeverMoveTheBar()
    {
        QFETCH(QString, name);
        QFETCH(Qt::MouseButton, button);
        ProgramWindows windows;
        TForm1 &bar = *Form1;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        auto *w = client(bar)->findChild<QWidget *>(name);
        QTest::mousePress(w, button, {}, QPoint(2, 2));
        QVERIFY(!followsTheMouse(bar));
        QTest::mouseRelease(w, button, {}, QPoint(2, 2));
    }

    void onlyTheRightButtonOpensTheMenu()
    {
        ProgramWindows windows;
        TForm1 &bar = *Form1;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QTest::mouseClick(bar.SpeedButton7, Qt::LeftButton);
        QVERIFY(!bar.PopupMenu1->isVisible());
        QTest::mousePress(bar.SpeedButton7, Qt::RightButton);
        QTRY_VERIFY_WITH_TIMEOUT(bar.PopupMenu1->isVisible(), 2000);
        bar.PopupMenu1->hide();
    }

    void quitPaths_data()
    {
        QTest::addColumn<int>("path");
        QTest::newRow("Quitter") << 0;
        QTest::newRow("Ctrl+Q") << 1;
        QTest::newRow("close button") << 2;
    }

    void quitPaths()
    {
        QFETCH(int, path);
        ProgramWindows windows;
        TForm1 &bar = *Form1;
        bar.show();
        QVERIFY(QTest::qWaitForWindowActive(&bar));
        QSignalSpy closed(&bar, &TForm1::closed);
        if (path == 0)
            bar.Quitter2->trigger();
        else if (path == 1)
            QTest::keyClick(&bar, Qt::Key_Q, Qt::ControlModifier);
        else
            QTest::mouseClick(bar.SpeedButton11, Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!bar.isVisible());
    }
};

QTEST_MAIN(TestTForm1)
#include "tst_tform1.moc"
