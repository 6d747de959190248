// The two flag words of a run: RunFlags (set by the command line and by
// events of the installation) and PayloadFlags (the payload's feature bits).
// Portable: no Windows types.
#pragma once

// RunFlags
enum : unsigned {
  RF_DIALOGS_AT_200    = 0x0001,  // "T": every dialog's top edge at y = 200
  RF_RESTART_NEEDED    = 0x0002,  // a replacement waits for the next start of Windows
  RF_CONFIRM_STEPS     = 0x0004,  // "V": confirm before and after each install step
  RF_SILENT            = 0x0010,  // "/S": no window, no page, no box
  RF_PASSIVE           = 0x0020,  // "/P": the progress alone, no page, no question, no box
  RF_UNATTENDED        = 0x0030,  // either of the two
  RF_EXIT_CODES        = 0x0040,  // a switch was given: the exit code tells the outcome
  RF_PAYLOAD_UNREADABLE= 0x0080,  // the payload ended early, was damaged or a volume was missing
  RF_ALTERNATE_TARGET  = 0x8000,  // the current file's data goes to an alternate name
};

// PayloadFlags
enum : unsigned {
  PF_FRAMED_WINDOW     = 0x0001,  // background window with caption and frame
  PF_SIMPLE_MODE       = 0x0004,  // one folder page, no background window
  PF_PLAIN_BACKGROUND  = 0x0008,  // background painted in the first colour only
  PF_RANDOM_COLOURS    = 0x0020,  // both colours replaced by random ones
  PF_SPANNED           = 0x0040,  // continuation volumes; bodies without end offsets
  PF_STORED_BODIES     = 0x0200,  // agreement text and file bodies stored uncompressed
  PF_DESKTOP_SHORTCUT  = 0x0800,  // a desktop shortcut record is present
  PF_STARTMENU_SHORTCUT= 0x1000,  // a Start-menu shortcut record is present
  PF_AGREEMENT_PAGE    = 0x2000,  // page 1 and its agreement block
  PF_USER_PAGE         = 0x4000,  // page 2, user name and company
  PF_OFFER_README      = 0x8000,  // the finish step offers the readme
};
