#pragma once

#include <algorithm>
#include <limits>

// Tells a stream's decoder how much to skip when it falls behind the
// camera. A packet read late against its own timestamp means the decoder
// is slower than the camera: past half a second it skips pictures nothing
// refers to, past two seconds everything but key pictures, until it is
// within a fifth of a second again. The lateness is measured from the
// least late packet so far (network delay and clock offset fall out); a
// jump in the camera's clock starts the measure afresh.
class DecodePacer
{
public:
    enum class Skip { Nothing, NonReference, NonKey };

    Skip update(double mediaSeconds, double wallSeconds)
    {
        const double offset = wallSeconds - mediaSeconds;
        m_leastOffset = std::min(m_leastOffset, offset);
        const double late = offset - m_leastOffset;
        if (late > kDiscontinuitySeconds) {
            m_leastOffset = offset;
            m_skip = Skip::Nothing;
        } else if (late > 2.0) {
            m_skip = Skip::NonKey;
        } else if (late > 0.5) {
            m_skip = std::max(m_skip, Skip::NonReference);
        } else if (late < 0.2) {
            m_skip = Skip::Nothing;
        }
        return m_skip;
    }

private:
    static constexpr double kDiscontinuitySeconds = 10.0;
    double m_leastOffset = std::numeric_limits<double>::infinity();
    Skip m_skip = Skip::Nothing;
};
