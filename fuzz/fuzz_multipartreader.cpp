// libFuzzer target for the multipart reader and the JPEG frame-header
// reader: any bytes, cut into reads of any size, must neither crash nor
// grow the reader past its bounds.

#include "camctl/JpegInfo.h"
#include "camctl/MultipartReader.h"
#include "camctl/PartFilter.h"
#include "camctl/StreamLimits.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: read size; second: boundary written with dashes or not.
    const qsizetype step = 1 + data[0] % 97;
    MultipartReader reader(data[1] & 1 ? QByteArray("--myboundary") : QByteArray(data[1] & 2 ? "myboundary" : ""));
    const QByteArrayView input(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    for (qsizetype at = 0; at < input.size(); at += step) {
        reader.feed(input.sliced(at, std::min(step, input.size() - at)));
        MultipartPart part;
        MultipartReader::Result r;
        while ((r = reader.next(&part)) == MultipartReader::Result::Part) {
            if (part.body.size() > StreamLimits::kMaxFrameBytes)
                std::abort();
            if (isJpegPart(part))
                readJpegInfo(part.body);
        }
        if (reader.bufferedBytes() > StreamLimits::kMaxFrameBytes + StreamLimits::kMaxPartHeaderBytes + 64 * 1024)
            std::abort();
        if (r != MultipartReader::Result::NeedMore)
            break;
    }
    return 0;
}
