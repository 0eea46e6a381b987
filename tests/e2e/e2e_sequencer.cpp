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
        // Pictures go where the desktop's user folders say.
        QTemporaryDir pictures;
        const QString configHome =
            program.process().processEnvironment().value(QStringLiteral("XDG_CONFIG_HOME"));
        QFile userDirs(QDir(configHome).filePath(QStringLiteral("user-dirs.dirs")));
        QVERIFY(userDirs.open(QIODevice::WriteOnly));
        userDirs.write("XDG_PICTURES_DIR=\"" + pictures.path().toUtf8() + "/snapshots\"\n");
        userDirs.close();
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
};

QTEST_GUILESS_MAIN(E2eSequencer)
#include "e2e_sequencer.moc"
