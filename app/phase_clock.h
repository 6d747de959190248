// Where an installation's time goes, for the install benchmark. In the
// shipped engine every mark compiles away; the benchmark's build of it
// (SETUP_PHASE_CLOCK) charges each span of time of the install steps to the
// innermost phase running and writes the totals when the steps end.
#pragma once

enum Phase {
  PHASE_OTHER,     // the steps' own work between the phases below
  PHASE_READ,      // reading the payload
  PHASE_DECODE,    // decoding (or copying stored) bodies
  PHASE_WRITE,     // writing files' data
  PHASE_FILES,     // creating, closing, timing and marking files and folders
  PHASE_LOG,       // writing the install log
  PHASE_PROGRESS,  // moving the bars and drawing the meters
  PHASE_PUMP,      // dispatching the window messages
  PHASE_BOX,       // a message box, from its call to its answer: the user's time
  PHASE_COUNT,
};

#ifdef SETUP_PHASE_CLOCK
void EnterPhase(Phase phase);
void LeavePhase();
// Writes "phase_<name>_ms=<n>" lines to the file that the environment
// variable SETUP_PHASE_TIMES names, if it names one.
void WritePhaseTimes();
#else
inline void EnterPhase(Phase) {}
inline void LeavePhase() {}
inline void WritePhaseTimes() {}
#endif

// A phase from here to the end of the scope.
struct PhaseSpan {
  explicit PhaseSpan(Phase phase) { EnterPhase(phase); }
  ~PhaseSpan() { LeavePhase(); }
  PhaseSpan(const PhaseSpan&) = delete;
  PhaseSpan& operator=(const PhaseSpan&) = delete;
};
