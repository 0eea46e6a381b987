#pragma once

#include <QString>
#include <QtGlobal>

// The memory every camera of the program may hold at once, in one place:
// the bytes of a picture being received, a decoder's kept pictures, the
// decoded ones. Each attempt reserves what it is about to hold before it
// holds it; a camera that would take the program past the budget is
// refused with that reason (and asked again after the backoff) while the
// others go on. StreamLimits::kMemoryBudgetBytes gives the size and why.
class MemoryReservation
{
public:
    MemoryReservation() = default;
    ~MemoryReservation();
    MemoryReservation(MemoryReservation &&other) noexcept;
    MemoryReservation &operator=(MemoryReservation &&other) noexcept;
    MemoryReservation(const MemoryReservation &) = delete;
    MemoryReservation &operator=(const MemoryReservation &) = delete;

    // Holds bytes from now on instead of what it held; false, holding
    // what it held, when the budget cannot give that much.
    bool resize(qint64 bytes);
    qint64 bytes() const { return m_bytes; }

private:
    qint64 m_bytes = 0;
};

namespace MemoryBudget {

// The reason an attempt gives when a reservation of bytes failed.
QString refusal(qint64 bytes);

} // namespace MemoryBudget
