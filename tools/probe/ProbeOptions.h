#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// ocellane-probe [--frames N] [--seconds S] [--size WxH] URL
struct ProbeOptions
{
    int frames = 10;
    double seconds = 10;
    QSize size;  // invalid: decode full size
    QString url;
};

QString probeUsage();

// The options after the program name; nullopt and *error on bad usage.
std::optional<ProbeOptions> parseProbeArguments(const QStringList &args, QString *error);
