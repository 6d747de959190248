// Blocks of the process heap, for what the engine reads or builds whole:
// logs, lists of files and moves, kept registry values, texts.
#pragma once
#include <windows.h>

// A block of `bytes` from the process heap; nullptr when the heap has no
// room for it (the heap then sets no error: callers tell of it).
void* AllocateBlock(SIZE_T bytes);

// Gives back a block of AllocateBlock; nullptr is no block and is passed over.
void FreeBlock(void* block);
