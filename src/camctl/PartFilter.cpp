#include "camctl/PartFilter.h"

#include "camctl/Jpeg.h"

bool isJpegPart(const MultipartPart &part)
{
    // "image/jpeg;size=1234" and the like: only the type before ';' counts.
    const qsizetype semicolon = part.contentType.indexOf(';');
    const QByteArray type =
        (semicolon < 0 ? part.contentType : part.contentType.left(semicolon)).trimmed().toLower();
    if (type == "image/jpeg" || type == "image/jpg" || type == "image/pjpeg")
        return true;
    if (type.isEmpty() || type == "application/octet-stream")
        return Jpeg::startsLikeJpeg(part.body);
    return false;
}
