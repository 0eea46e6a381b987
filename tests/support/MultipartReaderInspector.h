#pragma once

#include "camctl/MultipartReader.h"

// What the unit test and the fuzz target read of a reader beyond its
// interface: the work it did (and, by the same name as ever, the bytes it
// holds).
class MultipartReaderInspector
{
public:
    // Work done looking for line ends and delimiters: one step per byte
    // looked at, plus one per fallback of the delimiter matcher.
    static quint64 scanSteps(const MultipartReader &reader) { return reader.m_steps; }
    static qsizetype bufferedBytes(const MultipartReader &reader) { return reader.heldBytes(); }
};
