#include "PictureParams.h"

#include "TextNumber.h"

namespace CamSim {

namespace {

std::optional<int> intIn(const QByteArray &text, int min, int max)
{
    const auto value = integerIn(text, min, max);
    return value ? std::optional<int>(int(*value)) : std::nullopt;
}

std::optional<QSize> sizeOf(const QByteArray &text)
{
    const QList<QByteArray> sides = text.toLower().split('x');
    if (sides.size() != 2)
        return std::nullopt;
    const auto width = intIn(sides[0], kMinSide, kMaxSide);
    const auto height = intIn(sides[1], kMinSide, kMaxSide);
    if (!width || !height)
        return std::nullopt;
    return QSize(*width, *height);
}

std::optional<AuthMode> authModeOf(const QByteArray &text)
{
    if (text == "none")
        return AuthMode::None;
    if (text == "basic")
        return AuthMode::Basic;
    if (text == "digest")
        return AuthMode::Digest;
    if (text == "digest-noqop")
        return AuthMode::DigestNoQop;
    return std::nullopt;
}

} // namespace

std::optional<PictureParams> parsePictureParams(const QByteArray &query, QString *error)
{
    PictureParams params;
    for (const QByteArray &pair : query.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype equals = pair.indexOf('=');
        const QByteArray name = equals < 0 ? pair : pair.left(equals);
        const QByteArray value =
            QByteArray::fromPercentEncoding(equals < 0 ? QByteArray() : pair.mid(equals + 1));
        // An empty value leaves the default, like a parameter left out.
        if (value.isEmpty())
            continue;

        bool ok = true;
        if (name == "resolution") {
            const auto size = sizeOf(value);
            ok = size.has_value();
            if (ok)
                params.size = *size;
        } else if (name == "compression") {
            const auto compression = intIn(value, 0, 100);
            ok = compression.has_value();
            if (ok)
                params.compression = *compression;
        } else if (name == "camera") {
            const auto camera = intIn(value, 1, kCameraCount);
            ok = camera.has_value();
            if (ok)
                params.camera = *camera;
        } else if (name == "fps") {
            const double fps = value.toDouble(&ok);
            ok = ok && fps >= kMinFps && fps <= kMaxFps;
            if (ok)
                params.fps = fps;
        } else if (name == "fault") {
            params.fault = FaultPlan::parse(value, error);
            if (!params.fault)
                return std::nullopt;
        } else if (name == "stamp") {
            ok = value == "0" || value == "1";
            params.stamp = value == "1";
        } else if (name == "auth") {
            params.auth = authModeOf(value);
            ok = params.auth.has_value();
        }
        if (!ok) {
            if (error)
                *error = QStringLiteral("bad value for %1: \"%2\"")
                             .arg(QString::fromLatin1(name), QString::fromLatin1(value));
            return std::nullopt;
        }
    }
    return params;
}

} // namespace CamSim
