#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

// How camera-like frames are made from photographs: each picture scaled to
// the camera's size and encoded as a typical camera does (4:2:0, baseline).
// The default is a 704x576 camera at quality 60 (40 KB a picture); a
// 1920x1080 one needs a higher quality to send what such cameras send.
struct FrameRecipe
{
    QSize size{704, 576};
    int quality = 60;
};

QList<QByteArray> cameraFrames(const QString &photoDir, QString *error, const FrameRecipe &recipe = {});

// The frames of the photographs named by the first argument; prints usage
// or the error and sets *exitCode when there are none.
QList<QByteArray> framesFromArguments(const QStringList &args, const char *usage, int *exitCode,
                                      const FrameRecipe &recipe = {});

// Raw TurboJPEG, the yardstick the engine is measured against: one handle,
// one output buffer, tjDecompress2 straight into the picture's output size
// (which selects the DCT scale), in the pixel format the engine draws from.
namespace RawDecode {

// The engine's output pixels (QImage::Format_RGB32 in memory order).
int enginePixelFormat();
// The engine's decoding choices as TurboJPEG flags: plain chroma
// upsampling.
int engineFlags();

// One picture, the size it is drawn at and the size it is decoded to.
struct Picture
{
    QByteArray jpeg;
    QSize drawn;
    QSize output;
};

// The picture's size as TurboJPEG reads it; invalid when it cannot.
QSize headerSize(const QByteArray &jpeg);

// The size the engine decodes jpeg to for a control drawn at drawn, and
// whether TurboJPEG has a scaling factor that gives exactly that (else
// the anchor would not do the engine's work). An invalid size and *error
// when either fails.
QSize engineOutput(const QByteArray &jpeg, QSize drawn, QString *error);

struct Timing
{
    double medianUs = 0;  // CPU time of the decoding thread per picture
    double bestUs = 0;
    int rounds = 0;
    qint64 pictures = 0;
    QString error;  // TurboJPEG refused a picture
};

// Decodes every picture in turn, round after round, on the calling thread
// and times each round by that thread's CPU clock, so other work on the
// machine costs the figure as little as it can. Goes on for at least
// minRounds rounds and minCpuSeconds of CPU.
Timing cpuPerPicture(const QList<Picture> &pictures, int flags, int minRounds, double minCpuSeconds);

// The same loop through the engine's decoder (Jpeg::decode, for each
// picture's drawn size): what the decoder's own code adds to the raw
// decode, apart from the threads and hand-overs around it.
Timing engineCpuPerPicture(const QList<Picture> &pictures, int minRounds, double minCpuSeconds);

} // namespace RawDecode
