#include "support/CamSimProcess.h"
#include "e2e/E2eHarness.h"

#include <QTest>

using namespace E2e;

namespace {
void clickAt(const QPoint &p)
{
    click(p.x(), p.y());
}

// Maximised from its title bar, as a user would: a double-click there, in
// openbox.
void maximiseFromTitleBar(const QString &id)
{
    const QRect frame = window(id).frameGeometry;
    moveMouse(frame.center().x(), frame.top() + (window(id).geometry.top() - frame.top()) / 2);
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                                    QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
}

} // namespace

class E2eViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void singleViewZoomAndNineCameras()
    {
        CamSimProcess camsim;
        QVERIFY2(camsim.isRunning(), "the demo camera did not start");
        Program program;
        program.writeFile(QStringLiteral("config.lst"), camsim.cameraList());
        program.start();
        const QString bar = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY(!bar.isEmpty());

        // Camera button 1.
        clickAt(barPoint(296 + 8, 0 + 8));
        const QString single = waitForWindow(QStringLiteral("^Ocellane Mode AXIS$"));
        QVERIFY2(!single.isEmpty(), "the single view did not open");
        QTRY_COMPARE_WITH_TIMEOUT(window(single).frameGeometry.size(), QSize(352, 288), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(window(single).geometry), 15000);
        // The single view first stands at 210, 111, over most of the bar, as
        // the stored layout places it; move it aside as a user would.
        moveWindow(single, 560, 300);

        // x2.
        clickAt(barPoint(208 + 16, 4 + 10));
        QTRY_COMPARE_WITH_TIMEOUT(window(single).frameGeometry.size(), QSize(704, 576), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(window(single).geometry), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(camsim.stat("open"), 1, 10000);

        // Maximised, the next camera selection gives it the zoom size back.
        maximiseFromTitleBar(single);
        QTRY_VERIFY_WITH_TIMEOUT(window(single).frameGeometry.width() > 704, 10000);
        run(QStringLiteral("xdotool"), {QStringLiteral("windowraise"), bar});
        clickAt(barPoint(312 + 8, 0 + 8)); // camera 2
        QTRY_COMPARE_WITH_TIMEOUT(window(single).frameGeometry.size(), QSize(704, 576), 10000);
        // Closing the single view, maximised, closes its connection (and
        // uncovers the nine-camera window's place).
        maximiseFromTitleBar(single);
        QTRY_VERIFY_WITH_TIMEOUT(window(single).frameGeometry.width() > 704, 10000);
        QVERIFY(closeWindow(single, QStringLiteral("^Ocellane Mode AXIS$")));
        QTRY_COMPARE_WITH_TIMEOUT(camsim.stat("open"), 0, 10000);

        // Nine cameras at once: nine live cells, each a different camera.
        clickAt(barPoint(58 + 10, 4 + 10));
        const QString nine = waitForWindow(QStringLiteral("^Multivision 9$"));
        QVERIFY2(!nine.isEmpty(), "the nine-camera view did not open");
        QTRY_COMPARE_WITH_TIMEOUT(camsim.stat("open"), 9, 15000);
        const QRect client = window(nine).geometry;
        const QSize cell(client.width() / 3, client.height() / 3);
        QList<QColor> colours;
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     const QImage shot = screenshot();
                                     colours.clear();
                                     for (int i = 0; i < 9; ++i) {
                                         // Sample a cell's left edge, halfway down: the
                                         // camera's colour, clear of its texts.
                                         const QPoint p = client.topLeft() +
                                                          QPoint((i % 3) * cell.width() + cell.width() / 10,
                                                                 (i / 3) * cell.height() + cell.height() / 2);
                                         colours.append(shot.pixelColor(p));
                                     }
                                     for (int i = 0; i < 9; ++i) {
                                         if (similar(colours[i], Qt::black, 12))
                                             return false;
                                         for (int j = 0; j < i; ++j)
                                             if (similar(colours[i], colours[j], 10))
                                                 return false;
                                     }
                                     return true;
                                 }()),
                                 20000);
        shotForReadme(client);

        // Closing the window closes its nine connections.
        QVERIFY(closeWindow(nine, QStringLiteral("^Multivision 9$")));
        QTRY_COMPARE_WITH_TIMEOUT(camsim.stat("open"), 0, 10000);

        // Closed maximised, the single view comes back at its zoom size.
        clickAt(barPoint(328 + 8, 0 + 8)); // camera 3
        const QString again = waitForWindow(QStringLiteral("^Ocellane Mode AXIS$"));
        QVERIFY2(!again.isEmpty(), "the single view did not open again");
        QTRY_COMPARE_WITH_TIMEOUT(window(again).frameGeometry.size(), QSize(704, 576), 10000);
        QVERIFY(!run(QStringLiteral("xprop"), {QStringLiteral("-id"), again, QStringLiteral("_NET_WM_STATE")})
                     .contains("MAXIMIZED"));

        key(bar, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
        QCOMPARE(program.process().exitCode(), 0);
    }

    // A double-click on a cell shows that camera's main stream in the single
    // view, as its camera button would; the nine-camera window stays open.
    void doubleClickOnACellShowsItsCamera()
    {
        CamSimProcess camsim;
        QVERIFY2(camsim.isRunning(), "the demo camera did not start");
        // The cells show each camera's sub-stream (lines 31-39), a smaller size.
        QByteArray list = camsim.cameraList();
        const QList<QByteArray> lines = list.split('\n');
        for (int c = 0; c < 9; ++c)
            list += QByteArray(lines[c]).replace("352x288", "176x144") + '\n';
        Program program;
        program.writeFile(QStringLiteral("config.lst"), list);
        program.start();
        const QString bar = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY(!bar.isEmpty());

        clickAt(barPoint(58 + 10, 4 + 10));
        const QString nine = waitForWindow(QStringLiteral("^Multivision 9$"));
        QVERIFY2(!nine.isEmpty(), "the nine-camera view did not open");
        // Camera 5's cell, in the middle: its colour once it shows.
        const QRect client = window(nine).geometry;
        const QRect cell(client.topLeft() + QPoint(client.width() / 3, client.height() / 3), client.size() / 3);
        const QPoint sample(cell.left() + cell.width() / 10, cell.center().y());
        QColor fifth;
        QTRY_VERIFY_WITH_TIMEOUT((fifth = screenshot().pixelColor(sample), !similar(fifth, Qt::black, 12)), 15000);

        moveMouse(cell.center().x(), cell.center().y());
        run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                                        QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
        const QString single = waitForWindow(QStringLiteral("^Ocellane Mode AXIS$"));
        QVERIFY2(!single.isEmpty(), "the single view did not open");
        moveWindow(single, 560, 420);
        const QRect view = window(single).geometry;
        QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(view), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(
            similar(screenshot().pixelColor(view.left() + view.width() / 10, view.center().y()), fifth, 10), 10000);
        // Its main stream, in the box as in the view.
        const QString address = addressBoxText(screenshot());
        QVERIFY2(address.endsWith(QLatin1String("352x288&camera=5")), qPrintable(address));
        QCOMPARE(camsim.stat("open"), 10);
        QVERIFY(!findWindows(QStringLiteral("^Multivision 9$")).isEmpty());

        key(bar, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
    }

private:
    void shotForReadme(const QRect &)
    {
        if (const QByteArray path = qgetenv("OCELLANE_SCREENSHOT"); !path.isEmpty())
            screenshot().save(QString::fromLocal8Bit(path));
    }
};

QTEST_GUILESS_MAIN(E2eViews)
#include "e2e_views.moc"
