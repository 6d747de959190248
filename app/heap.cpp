// The process heap's blocks behind one allocation and one release, so that
// the many places that take a block call neither GetProcessHeap nor the
// heap functions themselves.
#include "app/heap.h"

void* AllocateBlock(SIZE_T bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }

void FreeBlock(void* block)
{
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}
