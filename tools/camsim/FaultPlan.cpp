#include "FaultPlan.h"

#include "TextNumber.h"

#include <QList>

#include <limits>

namespace CamSim {

namespace {

// Boundary characters multipart allows, less two: the comma ends a fault
// item, and a space at the end is not allowed, so a reader trimming it
// would be tested on something else.
bool boundaryText(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > kMaxBoundaryLength || text == kBoundary)
        return false;
    static const QByteArray punctuation = "'()+_-./:=?";
    for (const char c : text) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum && !punctuation.contains(c))
            return false;
    }
    return true;
}

std::optional<FloodKind> floodKind(const QByteArray &text)
{
    if (text == "status")
        return FloodKind::Status;
    if (text == "header")
        return FloodKind::Header;
    if (text == "continue")
        return FloodKind::Continue;
    if (text == "chunk")
        return FloodKind::Chunk;
    return std::nullopt;
}

} // namespace

std::optional<FaultPlan> FaultPlan::parse(const QByteArray &text, QString *error)
{
    FaultPlan plan;
    for (const QByteArray &rawItem : text.split(',')) {
        const QByteArray item = rawItem.trimmed();
        if (item.isEmpty())
            continue;
        const qsizetype colon = item.indexOf(':');
        const QByteArray name = colon < 0 ? item : item.left(colon);
        const QByteArray argument = colon < 0 ? QByteArray() : item.mid(colon + 1);
        const bool hasArgument = colon >= 0;

        auto count = [&](std::optional<int> &target) {
            const auto value = integerIn(argument, 0, std::numeric_limits<int>::max());
            if (value)
                target = int(*value);
            return value.has_value();
        };
        bool ok = true;
        if (name == "close-after") {
            ok = count(plan.closeAfter);
        } else if (name == "reset-after") {
            ok = count(plan.resetAfter);
        } else if (name == "stall-after") {
            ok = count(plan.stallAfter);
        } else if (name == "no-length" && !hasArgument) {
            plan.noLength = true;
        } else if (name == "drip") {
            const auto value = hasArgument ? integerIn(argument, 1, kMaxDripIntervalMs)
                                           : std::optional<qint64>(kDefaultDripIntervalMs);
            ok = value.has_value();
            if (ok)
                plan.dripIntervalMs = int(*value);
        } else if (name == "status") {
            const auto value = integerIn(argument, 100, 599);
            ok = value.has_value();
            if (ok)
                plan.status = int(*value);
        } else if (name == "html" && !hasArgument) {
            plan.html = true;
        } else if (name == "truncate" && !hasArgument) {
            plan.truncate = true;
        } else if (name == "oversize") {
            plan.oversizeBytes = integerIn(argument, 1, kMaxOversizeBytes);
            ok = plan.oversizeBytes.has_value();
        } else if (name == "delay") {
            const auto value = integerIn(argument, 0, kMaxDelayMs);
            ok = value.has_value();
            if (ok)
                plan.delayMs = int(*value);
        } else if (name == "body-boundary") {
            const QByteArray text = hasArgument ? argument : QByteArray(kDefaultBodyBoundary);
            ok = boundaryText(text);
            if (ok)
                plan.bodyBoundary = text;
        } else if (name == "slow-link") {
            plan.slowLinkRate = integerIn(argument, kMinSlowLinkRate, kMaxSlowLinkRate);
            ok = plan.slowLinkRate.has_value();
        } else if (name == "header-flood") {
            plan.headerFlood = floodKind(argument);
            ok = plan.headerFlood.has_value();
        } else {
            ok = false;
        }
        // Two paces would leave it to the code which one wins; the text
        // should say what happens.
        ok = ok && !(plan.dripIntervalMs && plan.slowLinkRate);
        if (!ok) {
            if (error)
                *error = QStringLiteral("bad fault \"%1\"").arg(QString::fromLatin1(item));
            return std::nullopt;
        }
    }
    return plan;
}

bool FaultPlan::stopsAfter(int picturesSent) const
{
    for (const auto &limit : {closeAfter, resetAfter, stallAfter}) {
        if (limit && picturesSent >= *limit)
            return true;
    }
    return false;
}

} // namespace CamSim
