#pragma once
// A persisted list of "key=value" lines remembering declined offers, one instance per file.
#include <cstdint>

// How long a save waits by default for a list file that another process holds open.
constexpr uint32_t kListHeldWait = 2000;

struct SkipEntry {
  char key[48];    // product key, at most 47 characters
  char value[48];  // declined version or upgrade name, at most 47 characters
};

struct SkipList {
  char path[261];      // full path of the list file (UTF-8); empty until located, or when
                       // the file must not be written (folder not found, file unreadable)
  SkipEntry* entries;  // count entries in file order, owned by the list
  int32_t count;

  // Finds the roaming folder, creates "Corvane" in it when missing, loads fileName from there.
  // Returns count; on any failure the list stays as it was and path stays empty.
  int32_t locateAndLoad(const char* fileName);
  // Fills entries and count from the file at path. A missing file gives an empty list; a file
  // that cannot be read whole leaves the list as it was and clears path.
  void load();
  // Index of the first entry whose key equals the record's skipKey, or -1; copies its value.
  int32_t find(char* valueOut) const;
  // Appends skipKey=value; returns the new count (the old one when memory ran out).
  int32_t add(const char* value);
  // Gives skipKey the value: overwrites the value of the first entry with that key, or appends
  // one. Returns the new count (the old one when memory ran out).
  int32_t set(const char* value);
  // Writes the whole list to a new file beside path, then puts it in place in one step, waiting
  // up to waitMilliseconds while another process holds the file. False when the file was left
  // as it was (no path, or writing or replacing failed).
  bool save(uint32_t waitMilliseconds = kListHeldWait);
};
