#include "config/LineList.h"

#include "base/CameraAddress.h"
#include "base/Cp1252.h"
#include "base/Errors.h"
#include "base/SafeFile.h"

#include <QFile>
#include <QUrl>

LineList::LineList(QObject *parent)
    : QObject(parent), m_lines(defaultLines())
{
}

QList<QByteArray> LineList::defaultLines()
{
    QList<QByteArray> lines = emptyLines();
    lines[NameLineOffset] = QByteArray(" ");
    return lines;
}

QList<QByteArray> LineList::emptyLines(int count)
{
    return QList<QByteArray>(count);
}

void LineList::checkIndex(qsizetype index) const
{
    if (index < 0 || index >= m_lines.size())
        throw ListIndexError(index);
}

QByteArray LineList::line(qsizetype index) const
{
    checkIndex(index);
    return m_lines.at(index);
}

QString LineList::text(qsizetype index) const
{
    return Cp1252::toText(line(index));
}

QString LineList::multiViewAddress(int camera) const
{
    const qsizetype sub = SubStreamLineOffset + camera;
    if (sub < count()) {
        const QString address = text(sub);
        if (CameraAddress::kindOf(QUrl(address.trimmed())) != CameraAddress::Kind::None)
            return address;
    }
    return text(camera);
}

void LineList::extendTo(qsizetype lineCount)
{
    if (count() >= lineCount)
        return;
    QList<QByteArray> lines = m_lines;
    lines.resize(lineCount);
    setLines(lines);
}

void LineList::setLine(qsizetype index, const QByteArray &bytes)
{
    checkIndex(index);
    m_lines[index] = bytes;
    Q_EMIT changed(index);
}

void LineList::setText(qsizetype index, const QString &text)
{
    setLine(index, Cp1252::fromText(text));
}

void LineList::setLines(const QList<QByteArray> &lines)
{
    m_lines = lines;
    Q_EMIT changed(-1);
}

QList<QByteArray> LineList::parse(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    // A last line without terminator still counts; a terminator at the very
    // end adds nothing.
    if (start < size)
        lines.append(bytes.mid(start));
    return lines;
}

QByteArray LineList::serialize(const QList<QByteArray> &lines)
{
    QByteArray out;
    qsizetype total = 0;
    for (const QByteArray &line : lines)
        total += line.size() + 2;
    out.reserve(total);
    for (const QByteArray &line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

void LineList::loadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        throw FileError(QStringLiteral("Cannot read file \"%1\": larger than %2 bytes.").arg(fileName).arg(MaxFileBytes));
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, file.errorString()));
    setLines(parse(bytes));
}

void LineList::saveToFile(const QString &fileName) const
{
    const QString error = SafeFile::write(fileName, serialize(m_lines));
    if (!error.isEmpty())
        throw FileError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, error));
}
