#include "support/ProgramFixture.h"
#include "bar/BarWidgets.h"
#include "bar/TForm1.h"
#include "camctl/TCamImage.h"
#include "views/TForm10.h"
#include "views/TForm4.h"
#include "views/TForm6.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QTemporaryDir>
#include <QTest>

// The bar's selection, zoom and multi-camera handlers with the real view
// windows, on the offscreen platform (which gives shown windows a small
// frame, so outer sizes are checked on the frame geometry).
class TestViews : public QObject
{
    Q_OBJECT

    ProgramFixture m_program;

    static void setList(int lines) { ProgramFixture::setList(lines); }
    static QString line(int index) { return ProgramFixture::address(index); }

private Q_SLOTS:
    void init() { m_program.start(); }
    void cleanup() { m_program.stop(); }

    void zoomSetsSizeShownOrHidden_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QSize>("size");
        const QList<std::tuple<const char *, QSize>> zooms{
            {"SpeedButton9", {176, 144}}, {"Image2", {176, 144}},  {"SpeedButton25", {352, 288}},
            {"N380x1", {352, 288}},       {"SpeedButton26", {528, 432}}, {"N640x1", {528, 432}},
            {"SpeedButton27", {704, 576}}, {"N740x1", {704, 576}}};
        for (bool shown : {false, true})
            for (const auto &[name, size] : zooms)
                QTest::addRow("%s %s", name, shown ? "shown" : "hidden") << QString::fromLatin1(name) << shown << size;
    }

    void zoomSetsSizeShownOrHidden()
    {
        QFETCH(QString, handler);
        QFETCH(bool, shown);
        QFETCH(QSize, size);
        if (shown) {
            Form1->SpeedButton15Click();
            QVERIFY(Form4->isVisible());
        }
        const QString urlBefore = Form4->CamImage1->URL();
        QVERIFY(QMetaObject::invokeMethod(Form1, [&] {
            const QHash<QString, void (TForm1::*)()> zooms{
                {"SpeedButton9", &TForm1::SpeedButton9Click},   {"Image2", &TForm1::Image2Click},
                {"SpeedButton25", &TForm1::SpeedButton25Click}, {"N380x1", &TForm1::N380x1Click},
                {"SpeedButton26", &TForm1::SpeedButton26Click}, {"N640x1", &TForm1::N640x1Click},
                {"SpeedButton27", &TForm1::SpeedButton27Click}, {"N740x1", &TForm1::N740x1Click}};
            (Form1->*zooms.value(handler))();
        }));
        QCOMPARE(Form4->frameGeometry().size(), size);
        // A zoom neither shows the window nor reconnects it.
        QCOMPARE(Form4->isVisible(), shown);
        QCOMPARE(Form4->CamImage1->URL(), urlBefore);
        QCOMPARE(Form4->CamImage1->isHidden(), shown);
    }

    void firstShowUsesModeOne()
    {
        QCOMPARE(Form1->zoomMode(), 1);
        Form1->SpeedButton8Click();
        QCOMPARE(Form4->frameGeometry().size(), QSize(352, 288));
        QCOMPARE(Form4->pos(), QPoint(210, 111));
    }

    void buttonAndMenuSelectAlike_data()
    {
        QTest::addColumn<bool>("menu");
        QTest::newRow("camera button 5") << false;
        QTest::newRow("camera menu item 5") << true;
    }

    void buttonAndMenuSelectAlike()
    {
        QFETCH(bool, menu);
        Form1->URLCombo->setEditText(QStringLiteral("typed"));
        if (menu)
            Form1->Camra5->trigger();
        else
            Form1->SpeedButton20->click();
        QCOMPARE(Form1->URLCombo->currentText(), line(4));
        QCOMPARE(Form1->currentCamera(), 4);
        QVERIFY(Form4->isVisible());
        QCOMPARE(Form4->CamImage1->URL(), line(4));
        QVERIFY(!Form4->CamImage1->isVisible());
    }

    void reselectingHidesAndReconnects()
    {
        Form1->SpeedButton18Click();
        Form4->CamImage1NewImage();
        QVERIFY(Form4->CamImage1->isVisible());
        Form1->SpeedButton18Click();
        QVERIFY(!Form4->CamImage1->isVisible());
        QCOMPARE(Form4->CamImage1->URL(), line(2));
    }

    void connectShowsTypedAddressAndKeepsCamera()
    {
        Form1->SpeedButton22Click();
        Form1->URLCombo->setEditText(QStringLiteral("  http://127.0.0.1:9/typed  "));
        Form1->SpeedButton8Click();
        QCOMPARE(Form4->CamImage1->URL(), QStringLiteral("  http://127.0.0.1:9/typed  "));
        QCOMPARE(Form1->currentCamera(), 6);
    }

    void nextSelectionRestoresZoomSize()
    {
        Form1->SpeedButton27Click();
        Form1->SpeedButton15Click();
        Form4->resize(300, 200);
        Form1->SpeedButton17Click();
        QCOMPARE(Form4->frameGeometry().size(), QSize(704, 576));
    }

    void closingSingleViewStopsItsControl()
    {
        Form1->SpeedButton15Click();
        Form4->close();
        QVERIFY(!Form4->isVisible());
        QCOMPARE(Form4->CamImage1->URL(), QStringLiteral(" "));
        QCOMPARE(Form1->currentCamera(), 0);
    }

    void shortListStopsAtTheFailingRead()
    {
        setList(4);
        Form1->SpeedButton18Click(); // camera 3 becomes the current one
        Form4->close();
        Form1->URLCombo->setEditText(QStringLiteral("kept"));
        Form1->SpeedButton20->click(); // camera 5: line 4 is missing
        QCOMPARE(m_program.errors, QStringList{QStringLiteral("List index out of bounds (4)")});
        QCOMPARE(Form1->URLCombo->currentText(), QStringLiteral("kept"));
        QCOMPARE(Form1->currentCamera(), 2);
        QVERIFY(!Form4->isVisible());
    }

    void multiModesGiveListLinesInOrder_data()
    {
        QTest::addColumn<bool>("nine");
        QTest::addColumn<bool>("menu");
        QTest::newRow("quad button") << false << false;
        QTest::newRow("quad menu") << false << true;
        QTest::newRow("nine button") << true << false;
        QTest::newRow("nine menu") << true << true;
    }

    void multiModesGiveListLinesInOrder()
    {
        QFETCH(bool, nine);
        QFETCH(bool, menu);
        Form1->SpeedButton23Click(); // camera 8 in the single view
        Form1->SpeedButton27Click();
        if (nine && menu)
            Form1->Multivision9voies2->trigger();
        else if (nine)
            Form1->SpeedButton14->click();
        else if (menu)
            Form1->Multivision4->trigger();
        else
            Form1->SpeedButton10->click();
        QWidget *window = nine ? static_cast<QWidget *>(Form10) : static_cast<QWidget *>(Form6);
        const QList<TCamImage *> controls = nine ? Form10->controls() : Form6->controls();
        QVERIFY(window->isVisible());
        QCOMPARE(controls.size(), nine ? 9 : 4);
        for (int i = 0; i < controls.size(); ++i) {
            QCOMPARE(controls[i]->URL(), line(i));
            QVERIFY(!controls[i]->isVisible());
        }
        // The single view and selection are left alone.
        QCOMPARE(Form1->currentCamera(), 7);
        QCOMPARE(Form4->CamImage1->URL(), line(7));
    }

    void multiModeWithShortListStopsPartWay()
    {
        setList(6);
        Form1->SpeedButton14->click();
        QCOMPARE(m_program.errors, QStringList{QStringLiteral("List index out of bounds (6)")});
        QVERIFY(Form10->isVisible());
        const QList<TCamImage *> controls = Form10->controls();
        QCOMPARE(controls[5]->URL(), line(5));
        QCOMPARE(controls[6]->URL(), QString());
        for (TCamImage *control : controls)
            QVERIFY(!control->isVisible());
    }

    void closingMultiViewsStopsEveryControl_data()
    {
        QTest::addColumn<bool>("nine");
        QTest::newRow("quad") << false;
        QTest::newRow("nine") << true;
    }

    void closingMultiViewsStopsEveryControl()
    {
        QFETCH(bool, nine);
        QWidget *window = nine ? static_cast<QWidget *>(Form10) : static_cast<QWidget *>(Form6);
        nine ? Form1->SpeedButton14Click() : Form1->SpeedButton10Click();
        window->close();
        QVERIFY(!window->isVisible());
        for (TCamImage *control : nine ? Form10->controls() : Form6->controls())
            QCOMPARE(control->URL(), QStringLiteral(" "));
    }

    void newImageShowsOnlyItsControl()
    {
        Form1->SpeedButton14Click();
        Form10->CamImage5NewImage();
        const QList<TCamImage *> controls = Form10->controls();
        for (int i = 0; i < 9; ++i)
            QCOMPARE(controls[i]->isVisible(), i == 4);
    }

    void quadWindowIsFixedToolWindow()
    {
        QCOMPARE(Form6->windowTitle(), QStringLiteral("Multivision AXIS"));
        QCOMPARE(Form6->size(), QSize(704, 576));
        QCOMPARE(Form6->minimumSize(), Form6->maximumSize());
        QVERIFY((Form6->windowFlags() & Qt::WindowType_Mask) == Qt::Tool);
        QVERIFY(!(Form6->windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(Form6->CamImage4->geometry(), QRect(352, 288, 352, 288));
    }

    void nineGridFollowsTheWindow()
    {
        Form10->show();
        Form10->resize(700, 500);
        // Each cell is the frame that holds its camera's control.
        QList<QFrame *> cells;
        for (TCamImage *control : Form10->controls())
            cells << qobject_cast<QFrame *>(control->parentWidget());
        QCOMPARE(cells[0]->geometry(), QRect(0, 0, 233, 166));
        QCOMPARE(cells[2]->geometry(), QRect(466, 0, 233, 166));
        QCOMPARE(cells[3]->geometry(), QRect(0, 166, 233, 166)); // Panel3 holds camera 4
        QCOMPARE(cells[8]->geometry(), QRect(466, 332, 233, 166));
        QCOMPARE(Form10->Panel3, cells[3]);
        // CamImage1 keeps its place; the others fill their cell's inside.
        QCOMPARE(Form10->controls()[0]->geometry(), QRect(1, 1, 174, 142));
        QCOMPARE(Form10->controls()[4]->geometry(), QRect(1, 1, 231, 164));
    }
};

QTEST_MAIN(TestViews)
#include "tst_views.moc"
