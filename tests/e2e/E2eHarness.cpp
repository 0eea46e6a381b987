#include "e2e/E2eHarness.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace E2e {

QByteArray run(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return {};
    }
    return process.readAllStandardOutput();
}

QStringList findWindows(const QString &nameRegex, bool onlyVisible)
{
    QStringList args{QStringLiteral("search")};
    if (onlyVisible)
        args << QStringLiteral("--onlyvisible");
    args << QStringLiteral("--name") << nameRegex;
    const QString out = QString::fromUtf8(run(QStringLiteral("xdotool"), args));
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString waitForWindow(const QString &nameRegex, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QStringList ids = findWindows(nameRegex);
        if (!ids.isEmpty())
            return ids.last();
        QTest::qWait(100);
    }
    return {};
}

Window window(const QString &id)
{
    Window w;
    w.id = id;
    const QString info = QString::fromUtf8(run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}));
    auto field = [&](const char *name) {
        const QRegularExpression re(QStringLiteral("%1:\\s*(-?\\d+)").arg(QLatin1String(name)));
        return re.match(info).captured(1).toInt();
    };
    w.geometry = QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"));
    // _NET_FRAME_EXTENTS: left, right, top, bottom.
    const QString extents = QString::fromUtf8(
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")}));
    const QRegularExpression re(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"));
    const auto m = re.match(extents);
    w.frameGeometry = m.hasMatch() ? w.geometry.adjusted(-m.captured(1).toInt(), -m.captured(3).toInt(),
                                                         m.captured(2).toInt(), m.captured(4).toInt())
                                   : w.geometry;
    return w;
}

QImage screenshot()
{
    const QByteArray png =
        run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")}, 20000);
    return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
}

bool similar(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

double coverage(const QImage &image, const QRect &rect, const QColor &colour, int tolerance)
{
    const QRect r = rect.intersected(image.rect());
    if (r.isEmpty())
        return 0;
    int hits = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            hits += similar(image.pixelColor(x, y), colour, tolerance) ? 1 : 0;
    return double(hits) / (r.width() * r.height());
}

bool showsLivePicture(const QRect &area)
{
    const QImage first = screenshot().copy(area);
    if (first.isNull() || coverage(first, first.rect(), Qt::black, 12) > 0.9)
        return false;
    QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        QTest::qWait(100);
        if (screenshot().copy(area) != first)
            return true;
    }
    return false;
}

void moveMouse(int x, int y)
{
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
}

void moveWindow(const QString &windowId, int x, int y)
{
    run(QStringLiteral("xdotool"), {QStringLiteral("windowmove"), QStringLiteral("--sync"), windowId, QString::number(x),
                                    QString::number(y)});
}

void click(int x, int y, int button)
{
    moveMouse(x, y);
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QString::number(button)});
}

void activate(const QString &windowId)
{
    // A loaded machine's window manager may be slow to give the focus, or
    // give it back to the window clicked last: asked again until it holds,
    // so keys never go to another window.
    static_cast<void>(QTest::qWaitFor(
        [&] {
            run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowId}, 5000);
            return run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).trimmed() == windowId.toLatin1();
        },
        15000));
}

// Keys go through the XTEST extension to the focused window: Qt ignores
// events that other clients send to a window directly.
void type(const QString &windowId, const QString &text)
{
    activate(windowId);
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

void key(const QString &windowId, const QString &keys)
{
    activate(windowId);
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

bool closeWindow(const QString &windowId, const QString &nameRegex)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        key(windowId, QStringLiteral("alt+F4"));
        if (QTest::qWaitFor([&] { return findWindows(nameRegex).isEmpty(); }, 5000))
            return true;
    }
    return false;
}

QString readText(const QImage &screen, const QRect &rect)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("ocr.png"));
    // Tesseract reads small screen fonts far better at three times the size.
    screen.copy(rect).scaled(rect.size() * 3, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(file);
    return QString::fromUtf8(run(QStringLiteral("tesseract"), {file, QStringLiteral("stdout")}, 30000));
}

QString addressBoxText(const QImage &screen)
{
    // Left of its arrow, read as dark on light: the box's lime on black
    // defeats the OCR.
    const QPoint topLeft = barPoint(8 + 2, 28 + 2);
    QImage box = screen.copy(topLeft.x(), topLeft.y(), 255, 17);
    box.invertPixels();
    return readText(box, box.rect()).trimmed();
}

Program::Program()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // Settings go to a folder of this test's own.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(m_dir.path());
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
}

Program::~Program()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void Program::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile file(m_dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void Program::start()
{
    m_process.start(QStringLiteral(OCELLANE_BINARY), {});
    m_process.waitForStarted(10000);
}

bool Program::waitForExit(int timeoutMs)
{
    return m_process.waitForFinished(timeoutMs);
}

} // namespace E2e
