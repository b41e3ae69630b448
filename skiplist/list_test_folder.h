#pragma once
// A scratch roaming folder for native tests, removed again with everything in it.
#include <string>

#include "skiplist/skip_list.h"

struct ListTestFolder {
  std::string roaming;  // what CORVANE_TEST_ROAMING_DIR points at while the folder lives

  ListTestFolder();   // creates the folder and points the variable at it
  ~ListTestFolder();  // removes both

  std::string makerFolder() const { return roaming + "/Corvane"; }
  std::string listPath(const char* fileName) const { return makerFolder() + "/" + fileName; }
};

void writeBytes(const std::string& path, const std::string& bytes);
// The file's bytes; "<missing>" when there is no such file.
std::string readBytes(const std::string& path);
// Names in a folder other than "." and "..", sorted.
std::string folderListing(const std::string& folder);
// An empty list whose path is path.
SkipList listAt(const std::string& path);
// A list with path set to a file holding bytes; the caller releases it.
SkipList listFromBytes(const std::string& path, const std::string& bytes);
void releaseList(SkipList& list);
