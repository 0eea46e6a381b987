// Properties of the multipart reader on any bytes: fed whole and cut into
// reads at splits derived from the input, it gives the same parts (type,
// body, headers), the same counts and the same final answer; it stays
// within its bounds; and its work stays linear in the bytes.

#include "FuzzCheck.h"
#include "camctl/MultipartReader.h"
#include "camctl/StreamLimits.h"
#include "support/MultipartReaderInspector.h"

namespace {
using Result = MultipartReader::Result;

struct Outcome
{
    QList<MultipartPart> parts;
    Result last = Result::NeedMore;
    quint64 dropped = 0;
    quint64 resyncs = 0;
};

bool samePart(const MultipartPart &a, const MultipartPart &b)
{
    return a.contentType == b.contentType && a.body == b.body && a.headers == b.headers;
}

bool sameOutcome(const Outcome &a, const Outcome &b)
{
    if (a.parts.size() != b.parts.size() || a.last != b.last || a.dropped != b.dropped || a.resyncs != b.resyncs)
        return false;
    for (qsizetype i = 0; i < a.parts.size(); ++i) {
        if (!samePart(a.parts[i], b.parts[i]))
            return false;
    }
    return true;
}

// Read sizes from a generator seeded by the input, so a failing input
// replays with the same splits. maxRead 0: the whole input in one read.
Outcome run(const QByteArray &boundary, QByteArrayView input, quint64 seed, qsizetype maxRead)
{
    MultipartReader reader(boundary);
    Outcome o;
    quint64 state = seed | 1;
    for (qsizetype at = 0; at < input.size();) {
        qsizetype n = input.size() - at;
        if (maxRead > 0) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            n = std::min<qsizetype>(n, 1 + qsizetype(state % quint64(maxRead)));
        }
        reader.feed(input.sliced(at, n));
        at += n;
        MultipartPart part;
        while ((o.last = reader.next(&part)) == Result::Part) {
            CHECK(part.body.size() <= StreamLimits::kMaxFrameBytes);
            o.parts << part;
        }
        CHECK(MultipartReaderInspector::bufferedBytes(reader)
              <= StreamLimits::kMaxFrameBytes + StreamLimits::kMaxPartHeaderBytes + 64 * 1024);
        if (o.last != Result::NeedMore)
            break;
    }
    // A head's line ends are looked for once, the matcher takes each byte
    // once and each fallback undoes a step, and a line where the delimiter
    // is due is compared with it; the bytes compared after a part of
    // declared length are looked at again when the reader skips to the next
    // delimiter. A search that starts at a line start has matched a bare
    // boundary's line feed already.
    CHECK(MultipartReaderInspector::scanSteps(reader)
          <= 3 * quint64(input.size()) + 2 * (quint64(o.parts.size()) + reader.resyncs() + 1));
    o.dropped = reader.droppedParts();
    o.resyncs = reader.resyncs();
    return o;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: a seed for the splits; second: the header's boundary.
    const QByteArray boundaries[] = {"", "--myboundary", "myboundary", "b"};
    const QByteArray boundary = boundaries[data[1] % 4];
    const QByteArrayView input(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    quint64 seed = 1469598103934665603ull ^ data[0];
    for (char c : input)
        seed = (seed ^ uchar(c)) * 1099511628211ull;

    const Outcome whole = run(boundary, input, seed, 0);
    CHECK(sameOutcome(whole, run(boundary, input, seed, 1)));
    CHECK(sameOutcome(whole, run(boundary, input, seed, 8)));
    CHECK(sameOutcome(whole, run(boundary, input, seed + 1, 300)));
    return 0;
}
