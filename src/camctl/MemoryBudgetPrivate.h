#pragma once

#include <QtGlobal>

// The budget's state, for tests and benchmarks only.
namespace MemoryBudgetPrivate {

qint64 reservedBytes();
// A smaller budget, so a test reaches it with small pictures; 0 restores it.
void setLimit(qint64 bytes);

} // namespace MemoryBudgetPrivate
