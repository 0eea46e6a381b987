#include "camctl/MemoryBudget.h"

#include "camctl/MemoryBudgetPrivate.h"
#include "camctl/StreamLimits.h"

#include <atomic>
#include <utility>

namespace {

std::atomic<qint64> g_reserved{0};
std::atomic<qint64> g_limit{StreamLimits::kMemoryBudgetBytes};

QString megabytes(qint64 bytes)
{
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

} // namespace

MemoryReservation::~MemoryReservation()
{
    g_reserved.fetch_sub(m_bytes, std::memory_order_relaxed);
}

MemoryReservation::MemoryReservation(MemoryReservation &&other) noexcept
    : m_bytes(std::exchange(other.m_bytes, 0))
{
}

MemoryReservation &MemoryReservation::operator=(MemoryReservation &&other) noexcept
{
    if (this != &other) {
        g_reserved.fetch_sub(m_bytes, std::memory_order_relaxed);
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

bool MemoryReservation::resize(qint64 bytes)
{
    bytes = qMax<qint64>(bytes, 0);
    const qint64 more = bytes - m_bytes;
    if (more <= 0) {
        g_reserved.fetch_add(more, std::memory_order_relaxed);
        m_bytes = bytes;
        return true;
    }
    qint64 reserved = g_reserved.load(std::memory_order_relaxed);
    do {
        if (reserved + more > g_limit.load(std::memory_order_relaxed))
            return false;
    } while (!g_reserved.compare_exchange_weak(reserved, reserved + more, std::memory_order_relaxed));
    m_bytes = bytes;
    return true;
}

namespace MemoryBudget {

QString refusal(qint64 bytes)
{
    return QStringLiteral("the camera needs %1 MB, more than the program's memory budget of %2 MB has left")
        .arg(megabytes(bytes), megabytes(g_limit.load(std::memory_order_relaxed)));
}

} // namespace MemoryBudget

namespace MemoryBudgetPrivate {

qint64 reservedBytes()
{
    return g_reserved.load(std::memory_order_relaxed);
}

void setLimit(qint64 bytes)
{
    g_limit.store(bytes > 0 ? bytes : StreamLimits::kMemoryBudgetBytes, std::memory_order_relaxed);
}

} // namespace MemoryBudgetPrivate
