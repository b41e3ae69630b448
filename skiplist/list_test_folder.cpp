#include "skiplist/list_test_folder.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/check_record.h"
#include "skiplist/entry_array.h"

ListTestFolder::ListTestFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "skiplist-test-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) != nullptr) roaming = name.data();
  setenv("CORVANE_TEST_ROAMING_DIR", roaming.c_str(), 1);
}

ListTestFolder::~ListTestFolder() {
  unsetenv("CORVANE_TEST_ROAMING_DIR");
  std::error_code ignored;
  if (!roaming.empty()) std::filesystem::remove_all(roaming, ignored);
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

std::string folderListing(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& item : std::filesystem::directory_iterator(folder, ignored)) {
    names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const auto& name : names) listing += name + ";";
  return listing;
}

SkipList listAt(const std::string& path) {
  SkipList list{};
  copyBounded(list.path, path.c_str(), sizeof list.path);
  return list;
}

SkipList listFromBytes(const std::string& path, const std::string& bytes) {
  writeBytes(path, bytes);
  return listAt(path);
}

void releaseList(SkipList& list) {
  releaseEntries(list.entries);
  list = SkipList{};
}
