#pragma once

#include "base/CameraCount.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

// An ordered list of 8-bit text lines. The bar's CameraList and the settings
// dialog's DialogCameraList are both one; CameraList is the whole camera
// configuration.
// Camera c (0..8) has its stream address on line c, its name on line 9 + c,
// its still-image address on line 19 + c and, in a list of 40 lines, the
// address of a lighter sub-stream for the quad and nine-camera windows on
// line 31 + c. Nothing enforces the nominal 31 lines: a file read replaces
// the list by exactly the file's lines.
//
// Lines are the file's Windows-1252 bytes, so a read followed by a write
// gives back the same bytes. Every out-of-range access throws ListIndexError.
class LineList : public QObject
{
    Q_OBJECT

public:
    static constexpr int NominalLineCount = 31;
    static constexpr int CameraCount = kCameraCount;
    static constexpr int NameLineOffset = 9;
    static constexpr int StillLineOffset = 19;
    static constexpr int SubStreamLineOffset = 31;
    // The lines a list holds once a camera's sub-stream is written.
    static constexpr int ExtendedLineCount = SubStreamLineOffset + CameraCount;
    // A list file is a few kilobytes; anything past this is not one, and is
    // refused rather than read into memory.
    static constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

    // Starts with the default content: 31 lines, all empty but line 9,
    // which holds one space.
    explicit LineList(QObject *parent = nullptr);

    static QList<QByteArray> defaultLines();
    static QList<QByteArray> emptyLines(int count = NominalLineCount);

    qsizetype count() const { return m_lines.size(); }
    const QList<QByteArray> &lines() const { return m_lines; }

    QByteArray line(qsizetype index) const;
    QString text(qsizetype index) const;
    void setLine(qsizetype index, const QByteArray &bytes);
    void setText(qsizetype index, const QString &text);
    void clearLine(qsizetype index) { setLine(index, QByteArray()); }

    void setLines(const QList<QByteArray> &lines);

    // What the quad and nine-camera windows show for camera c: its
    // sub-stream (line 31 + c) when that line is an http, https or rtsp
    // address, else its stream (line c, which must be there).
    QString multiViewAddress(int camera) const;
    // Writes camera c's sub-stream address, first extending a shorter list
    // with empty lines to ExtendedLineCount.
    // Appends empty lines up to `lineCount`; a longer list is left as it is.
    void extendTo(qsizetype lineCount);
    void assign(const LineList &other) { setLines(other.m_lines); }

    // Reads the whole file; on failure the list is unchanged and FileError
    // is thrown.
    void loadFromFile(const QString &fileName);
    // Writes through QSaveFile: on failure the old file stays whole and
    // FileError is thrown.
    void saveToFile(const QString &fileName) const;

    // The file format on its own, for callers and tests that hold bytes.
    static QList<QByteArray> parse(const QByteArray &fileBytes);
    static QByteArray serialize(const QList<QByteArray> &lines);

Q_SIGNALS:
    // A line changed (index) or the whole list was replaced (-1).
    void changed(qsizetype index);

private:
    void checkIndex(qsizetype index) const;

    QList<QByteArray> m_lines;
};
