#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Drives the real program in the X server that run-in-xvfb.sh started:
// starts it in a folder of its own, finds its windows with xdotool, clicks
// and types with xdotool, and reads the screen with ImageMagick's import.
// Every wait is bounded.
namespace E2e {

struct Window
{
    QString id;
    QRect geometry;       // client area, root coordinates
    QRect frameGeometry;  // with the window manager's frame
};

// Runs a tool to completion (bounded) and returns its standard output.
QByteArray run(const QString &program, const QStringList &args, int timeoutMs = 10000);

// Visible windows whose name matches the regular expression exactly.
QStringList findWindows(const QString &nameRegex, bool onlyVisible = true);
// Waits up to timeoutMs for a visible window of that name.
QString waitForWindow(const QString &nameRegex, int timeoutMs = 15000);
Window window(const QString &id);

QImage screenshot();
bool similar(const QColor &a, const QColor &b, int tolerance = 24);
// Share of pixels in rect that are close to colour.
double coverage(const QImage &image, const QRect &rect, const QColor &colour, int tolerance = 40);

// A picture is live when it is not black and changes from shot to shot
// (bounded: a few seconds).
bool showsLivePicture(const QRect &area);

// A point of the bar's client area in screen pixels: the bar stands at
// 197, 108 with a 1-pixel border.
inline QPoint barPoint(int clientX, int clientY)
{
    return QPoint(197 + 1 + clientX, 108 + 1 + clientY);
}

// The text of the bar's address box, by OCR.
QString addressBoxText(const QImage &screen);

void click(int x, int y, int button = 1);
void moveMouse(int x, int y);
// Moves a window as a user dragging its title bar would.
void moveWindow(const QString &windowId, int x, int y);
void activate(const QString &windowId);
void type(const QString &windowId, const QString &text);
void key(const QString &windowId, const QString &keys);
// Closes a window with Alt+F4, as a user would, and waits until no window
// of that name is left; a key lost while the window manager was busy is
// pressed again (bounded).
bool closeWindow(const QString &windowId, const QString &nameRegex);
// Text on screen inside rect, read by OCR.
QString readText(const QImage &screen, const QRect &rect);

// The program under test, started in a fresh folder.
class Program
{
public:
    Program();
    ~Program();
    QString dir() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // A file in the settings folder (XDG_CONFIG_HOME), which stays the same
    // when the program is started again.
    QString configPath(const QString &name) const { return m_config.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    void start();
    bool waitForExit(int timeoutMs = 10000);
    QProcess &process() { return m_process; }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_config;
    QProcess m_process;
};

} // namespace E2e
