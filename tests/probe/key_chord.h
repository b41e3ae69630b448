#pragma once
// Key specifications of the probe's "key" command: "esc", "tab", "enter", "alt+?", "alt+f4",
// "x", "close". Parsed into the messages a real key press would leave in the target's queue.

enum class KeyKind {
  invalid,
  character,  // WM_CHAR, or WM_SYSCHAR with the Alt context bit when alt is set
  virtualKey, // WM_KEYDOWN + WM_KEYUP, or WM_SYSKEYDOWN + WM_SYSKEYUP when alt is set
  closeWindow // WM_SYSCOMMAND SC_CLOSE to the top-level window (the title bar's close box)
};

struct KeyChord {
  KeyKind kind;
  bool alt;
  unsigned int code;  // the character for `character`, the virtual-key code for `virtualKey`
};

KeyChord parseKeyChord(const char* text);

// The lParam of a key message: repeat count 1, the scan code, the Alt context bit (29) and,
// for a key release, the previous-state and transition bits (30, 31).
unsigned long keyMessageParam(unsigned int scanCode, bool alt, bool release);
