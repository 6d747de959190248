// Loading the agreement block: its length, then the text decoded (or taken
// as stored) into a heap block of length + 1 bytes. The sink can never store
// past the declared length.
#include "ui/agreement.h"
#include "app/flags.h"
#include "app/heap.h"
#include "app/state.h"
#include "payload/layout.h"

static struct {
  char* Text;
  uint32_t Stored;
} Loading;

static int StoreByte(int byte)
{
  Loading.Text[Loading.Stored++] = static_cast<char>(byte);
  return 1;
}

static int DiscardByte(int) { return 1; }

void LoadAgreement()
{
  uint32_t length = 0;
  if (!ReadAgreementLength(&length)) return;
  const bool stored = (State.PayloadFlags & PF_STORED_BODIES) != 0;
  char* text = length > MAX_AGREEMENT_BYTES ? nullptr : static_cast<char*>(AllocateBlock(length + 1));
  if (text == nullptr) {
    // The text is not shown, but the reader must still pass it: the
    // default folder follows it.
    DecodeBody(length, stored, DiscardByte);
    return;
  }
  Loading.Text = text;
  Loading.Stored = 0;
  if (!DecodeBody(length, stored, StoreByte)) {
    // The sinks take every byte: the data itself cannot be read, which has
    // been noted for the exit code, by the reader or by the decoder.
    FreeBlock(text);
    return;
  }
  text[Loading.Stored] = '\0';
  State.AgreementText = text;
}

void FreeAgreement()
{
  FreeBlock(State.AgreementText);
  State.AgreementText = nullptr;
}
