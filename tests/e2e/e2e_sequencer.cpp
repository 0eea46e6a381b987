#include "e2e/E2eHarness.h"
#include "support/CamSimProcess.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace E2e;

namespace {

// The bar's client area starts one border pixel inside its stored place.
constexpr int BarX = 197 + 1;
constexpr int BarY = 108 + 1;

QRect inclusionPanel(int camera)
{
    // Inside the panel's one-pixel border.
    return QRect(BarX + 12 + 24 * (camera - 1) + 1, BarY + 56 + 1, 19, 6);
}

bool isRed(const QImage &shot, int camera)
{
    return coverage(shot, inclusionPanel(camera), QColor(255, 0, 0), 40) > 0.8;
}

bool isWhite(const QImage &shot, int camera)
{
    return coverage(shot, inclusionPanel(camera), QColor(255, 255, 255), 40) > 0.8;
}

QPoint cameraButton(int camera)
{
    return QPoint(BarX + 296 + 16 * ((camera - 1) % 3) + 8, BarY + 16 * ((camera - 1) / 3) + 8);
}

const QPoint SaveButton(BarX + 348 + 42, BarY + 32 + 7);

// Pictures go where the desktop's user folders say.
void savePicturesIn(Program &program, const QString &folder)
{
    const QString configHome = program.process().processEnvironment().value(QStringLiteral("XDG_CONFIG_HOME"));
    QFile userDirs(QDir(configHome).filePath(QStringLiteral("user-dirs.dirs")));
    QVERIFY(userDirs.open(QIODevice::WriteOnly));
    userDirs.write("XDG_PICTURES_DIR=\"" + folder.toUtf8() + "\"\n");
}

// The demo camera's list, camera 1's still picture answered after delayMs.
QByteArray listWithSlowStill(const CamSimProcess &camera, int delayMs)
{
    QList<QByteArray> lines = camera.cameraList().split('\n');
    lines[19].insert(lines[19].size() - 1, "&fault=delay:" + QByteArray::number(delayMs));
    return lines.join('\n');
}

// The colour at the left edge of a camera's picture, halfway down: each
// demo camera has its own.
QColor pictureColour(const QImage &shot, const QRect &view)
{
    return shot.pixelColor(view.left() + view.width() / 10, view.top() + view.height() / 2);
}

// Share of the save button's pixels that its caption's letters draw in
// black (the button takes presses) or in grey (it is greyed).
double captionShare(const QImage &shot, bool grey)
{
    const QRect caption(BarX + 348, BarY + 32, 85, 15);
    int hits = 0;
    for (int y = caption.top(); y <= caption.bottom(); ++y)
        for (int x = caption.left(); x <= caption.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            const int darkest = qMin(c.red(), qMin(c.green(), c.blue()));
            const int lightest = qMax(c.red(), qMax(c.green(), c.blue()));
            hits += grey ? (darkest >= 90 && lightest <= 220 && lightest - darkest < 20) : lightest < 40;
        }
    return double(hits) / (caption.width() * caption.height());
}

bool blackCaption(const QImage &shot)
{
    return captionShare(shot, false) > 0.03;
}

bool greyedCaption(const QImage &shot)
{
    return captionShare(shot, false) == 0 && captionShare(shot, true) > 0.03;
}

} // namespace

class E2eSequencer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sequencerMovesTheMarkAndSnapshotSavesThePicture()
    {
        // Nine cameras on the demo camera, in the list it writes itself.
        CamSimProcess camera;
        QVERIFY2(camera.port() != 0, "the demo camera did not start");
        const QByteArray config =
            run(QStringLiteral(OCELLANE_CAMSIM), {QStringLiteral("--write-config"), camera.base()});
        QVERIFY(config.count("\r\n") == 31);

        Program program;
        program.writeFile(QStringLiteral("config.lst"), config);
        QTemporaryDir pictures;
        savePicturesIn(program, pictures.filePath(QStringLiteral("snapshots")));
        program.start();

        const QString bar = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY2(!bar.isEmpty(), "the bar never appeared");
        QImage shot;
        QTRY_VERIFY_WITH_TIMEOUT((shot = screenshot(), isRed(shot, 1) && isWhite(shot, 2)), 10000);

        // ON: a step every two seconds.
        click(BarX + 228 + 15, BarY + 56 + 4);
        QTRY_VERIFY_WITH_TIMEOUT(!findWindows(QStringLiteral("^Ocellane Mode AXIS$")).isEmpty(), 8000);
        // The window manager may place the single view over the bar; it
        // keeps its place from then on, so one move clears the panels.
        const QStringList views = findWindows(QStringLiteral("^Ocellane Mode AXIS$"));
        moveWindow(views.value(0), 700, 400);
        // The keyboard stays with the bar while the ticks show the view.
        activate(bar);
        QTRY_VERIFY_WITH_TIMEOUT((shot = screenshot(), isRed(shot, 2) && isWhite(shot, 1)), 8000);
        QTRY_VERIFY_WITH_TIMEOUT((shot = screenshot(), isRed(shot, 3) && isWhite(shot, 2)), 8000);
        QCOMPARE(run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).trimmed(), bar.toUtf8());
        // ON is lit, OFF is not.
        QVERIFY(coverage(shot, QRect(BarX + 228 + 2, BarY + 56 + 1, 4, 6), QColor(0, 255, 0), 40) > 0.5);

        // OFF, then save the current camera's picture (camera 1).
        click(BarX + 260 + 15, BarY + 56 + 4);
        click(BarX + 348 + 42, BarY + 32 + 7);
        const QString file = pictures.filePath(QStringLiteral("snapshots/IPimage1.jpg"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), 15000);
        const QImage image(file);
        QVERIFY2(!image.isNull(), "the snapshot is not a picture");
        // The still address of camera 1 asks for 352 x 288.
        QCOMPARE(image.size(), QSize(352, 288));
        // The single view is back on the camera's stream.
        QVERIFY(!findWindows(QStringLiteral("^Ocellane Mode AXIS$")).isEmpty());
        shot.save(QStringLiteral("e2e_sequencer.png"));

        key(bar, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
    }

    // A camera chosen while the picture is on its way is the one on screen
    // once it is saved: in the single view and in the address box.
    void snapshotEndsOnTheCameraChosenMeanwhile()
    {
        CamSimProcess camera;
        QVERIFY2(camera.isRunning(), "the demo camera did not start");
        Program program;
        program.writeFile(QStringLiteral("config.lst"), listWithSlowStill(camera, 6000));
        QTemporaryDir pictures;
        savePicturesIn(program, pictures.path());
        program.start();
        const QString bar = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY2(!bar.isEmpty(), "the bar never appeared");

        // What camera 3, then camera 1, look like in the view and the box.
        click(cameraButton(3).x(), cameraButton(3).y());
        const QString single = waitForWindow(QStringLiteral("^Ocellane Mode AXIS$"));
        QVERIFY2(!single.isEmpty(), "the single view did not open");
        moveWindow(single, 700, 400);
        const QRect view = window(single).geometry;
        QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(view), 15000);
        QImage shot = screenshot();
        const QColor third = pictureColour(shot, view);
        QVERIFY2(addressBoxText(shot).endsWith(QLatin1String("camera=3")), qPrintable(addressBoxText(shot)));
        click(cameraButton(1).x(), cameraButton(1).y());
        QTRY_VERIFY_WITH_TIMEOUT((shot = screenshot(), !similar(pictureColour(shot, view), Qt::black, 12) &&
                                                           !similar(pictureColour(shot, view), third, 10)),
                                 15000);
        const QColor first = pictureColour(shot, view);
        QVERIFY2(addressBoxText(shot).endsWith(QLatin1String("camera=1")), qPrintable(addressBoxText(shot)));

        // Camera 1's picture is asked for: the button greys its letters
        // while the picture is on its way; camera 3 is chosen meanwhile.
        click(SaveButton.x(), SaveButton.y());
        click(cameraButton(3).x(), cameraButton(3).y());
        moveMouse(1000, 900);
        QTRY_VERIFY_WITH_TIMEOUT(greyedCaption(screenshot()), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pictures.filePath(QStringLiteral("IPimage1.jpg"))), 20000);
        // The button takes presses again once the program has seen the end.
        QTRY_VERIFY_WITH_TIMEOUT(blackCaption(screenshot()), 10000);
        QTRY_VERIFY_WITH_TIMEOUT((shot = screenshot(), similar(pictureColour(shot, view), third, 10) &&
                                                           addressBoxText(shot).endsWith(QLatin1String("camera=3"))),
                                 15000);
        QVERIFY(!similar(pictureColour(shot, view), first, 10));
        shot.save(QStringLiteral("e2e_snapshot_chosen_camera.png"));

        key(bar, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
    }
};

QTEST_GUILESS_MAIN(E2eSequencer)
#include "e2e_sequencer.moc"
