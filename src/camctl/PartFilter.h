#pragma once

#include "camctl/MultipartReader.h"

// Whether a part is a picture to decode: the JPEG types cameras declare,
// or an untyped part that starts like a JPEG. Audio, text and the rest are
// skipped.
bool isJpegPart(const MultipartPart &part);
