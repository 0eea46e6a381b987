#pragma once

// Keeps resident memory flat while pictures of many sizes come and go on
// many decode threads. With glibc's defaults, each thread that allocates
// gets an arena of its own (up to eight per core), and freeing a large
// picture raises the size from which blocks are mapped afresh, so later
// pictures are carved out of the arenas and their memory is never given
// back: a fault soak of fourteen controls grew by more than half in ten
// minutes. Two arenas and a fixed 1 MiB mapping threshold (a decoded 352 x
// 288 picture is 400 KB, a 704 x 576 one 1.6 MB) keep it flat, and a
// 16 MiB trim threshold keeps the pages of one picture for the next.
namespace MemoryTuning {
void apply();
}
