// Fuzzes the staging paths: the staging name from arbitrary system roots,
// temporary numbers and buffer sizes, and the tree walk's copy and removal over
// fake trees whose names, depths and root lengths come from the input, up to
// and past the 259-character path limit. The outcome is compared with a model
// of the walk; AddressSanitizer watches every fixed buffer.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "fuzz_check.h"
#include "staging/staged_run.h"
#include "staging/tree_walk.h"

namespace {

constexpr size_t kLongestPath = kPathBufferSize - 1;
constexpr int kMostEntries = 48;
// The walk's source buffer in a staged run: a directory of up to 260 characters.
constexpr size_t kSourceBufferSize = kPathBufferSize + 1;

// The tree: relative paths ("a\b") to entries.
struct Entry {
  bool isDirectory = false;
  std::string content;
  uint32_t attributes = fake::kAttributeNormal;
  bool locked = false;
};
using Tree = std::map<std::string, Entry>;

std::string child(const std::string& directory, const std::string& name) {
  return directory.empty() ? name : directory + "\\" + name;
}

// The names directly in `directory`, in the order the listing gives them.
std::vector<std::string> namesIn(const Tree& tree, const std::string& directory) {
  std::vector<std::string> names;
  std::string prefix = directory.empty() ? "" : directory + "\\";
  for (const auto& item : tree) {
    const std::string& path = item.first;
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    std::string rest = path.substr(prefix.size());
    if (rest.find('\\') == std::string::npos) names.push_back(rest);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool holdsAnything(const Tree& tree, const std::string& directory) {
  auto it = tree.lower_bound(directory + "\\");
  return it != tree.end() && it->first.compare(0, directory.size() + 1, directory + "\\") == 0;
}

// A path of about `length` characters below `prefix`, in parts of at most 100.
std::string paddedPath(std::string path, size_t length) {
  while (path.size() + 1 < length) {
    size_t part = std::min<size_t>(100, length - path.size() - 1);
    path += "\\" + std::string(part, 'd');
  }
  return path;
}

std::string entryName(FuzzedDataProvider& input) {
  std::string name;
  for (char c : input.ConsumeRandomLengthString(12)) {
    if (c != '\\' && c != '\0') name += c;
  }
  if (input.ConsumeBool()) name += std::string(input.ConsumeIntegralInRange(0, 240), 'p');
  if (name.empty() || name == "." || name == "..") name = "n";
  return name.substr(0, 255);
}

Tree buildTree(FuzzedDataProvider& input) {
  Tree tree;
  std::vector<std::string> directories = {""};
  for (int entries = 0; entries < kMostEntries && input.remaining_bytes() > 0; ++entries) {
    int step = input.ConsumeIntegralInRange(0, 2);
    if (step == 2) {
      if (directories.size() > 1) directories.pop_back();
      continue;
    }
    std::string path = child(directories.back(), entryName(input));
    if (tree.count(path) != 0) continue;
    Entry& entry = tree[path];
    entry.isDirectory = step == 1;
    if (entry.isDirectory) {
      directories.push_back(path);
      continue;
    }
    entry.content = input.ConsumeRandomLengthString(6);
    const uint32_t kinds[] = {fake::kAttributeNormal, fake::kAttributeReadOnly,
                              fake::kAttributeHidden | fake::kAttributeReadOnly};
    entry.attributes = kinds[input.ConsumeIntegralInRange(0, 2)];
    entry.locked = input.ConsumeIntegralInRange(0, 7) == 0;
  }
  return tree;
}

void addToFake(const std::string& root, const Tree& tree) {
  fake::addDirectory(root);
  for (const auto& [path, entry] : tree) {
    std::string full = root + "\\" + path;
    if (entry.isDirectory) {
      fake::addDirectory(full);
      continue;
    }
    fake::addFile(full, entry.content, entry.attributes);
    fake::state().nodes[fake::absolutePath(full)].locked = entry.locked;
  }
}

// What the fake holds below `root`, as a tree.
Tree treeInFake(const std::string& root) {
  Tree tree;
  std::string prefix = fake::absolutePath(root) + "\\";
  for (const std::string& path : fake::listTree(root)) {
    const fake::Node& node = fake::state().nodes.at(path);
    Entry& entry = tree[path.substr(prefix.size())];
    entry.isDirectory = node.isDirectory;
    entry.content = node.content;
    entry.attributes = node.attributes;
    entry.locked = node.locked;
  }
  return tree;
}

struct Outcome {
  std::string console;
  Tree tree;  // what is copied, or what is left after a removal
};

void printed(Outcome* outcome, const std::string& line) { outcome->console += line + "\r\n"; }

// The copy as the walk makes it: entry paths and the search pattern must fit
// in a path buffer, a sub-directory's source path must keep room for the
// separator, and the first failure ends the walk on every level. A directory
// that cannot be listed fails as a file that cannot be copied.
bool modelCopy(const Tree& tree, std::string source, size_t sourceSize, const std::string& target,
               const std::string& directory, Outcome* outcome) {
  if (source.empty() || source.back() != '\\') {
    if (source.size() + 2 > sourceSize) {
      printed(outcome, "Unable to copy files from QN CD to hard drive.");
      return false;
    }
    source += '\\';
  }
  if (source.size() + 3 > kLongestPath) {
    printed(outcome, "Unable to copy files from QN CD to hard drive.");
    return false;
  }
  for (const std::string& name : namesIn(tree, directory)) {
    std::string path = child(directory, name);
    const Entry& entry = tree.at(path);
    if (entry.isDirectory) {
      if (target.size() + name.size() + 1 > kLongestPath || source.size() + name.size() + 1 > kLongestPath) {
        printed(outcome, "Unable to create temporary sub-directory!");
        return false;
      }
      outcome->tree[path].isDirectory = true;
      if (!modelCopy(tree, source + name, kPathBufferSize, target + name + "\\", path, outcome)) {
        printed(outcome, "Unable to copy sub-directory update files to the hard drive.");
        return false;
      }
    } else {
      if (source.size() + name.size() > kLongestPath || target.size() + name.size() > kLongestPath) {
        printed(outcome, "Unable to copy files from QN CD to hard drive.");
        return false;
      }
      outcome->tree[path] = entry;
      outcome->tree[path].attributes = fake::kAttributeNormal;
      outcome->tree[path].locked = false;
    }
  }
  return true;
}

// The removal: never stops early; locked and out-of-reach entries stay, and
// read-only ones are made writable and go (a locked one is left writable).
void modelRemove(std::string source, size_t sourceSize, const std::string& directory, Outcome* outcome) {
  if (source.empty() || source.back() != '\\') {
    if (source.size() + 2 > sourceSize) return;
    source += '\\';
  }
  if (source.size() + 3 > kLongestPath) return;
  for (const std::string& name : namesIn(outcome->tree, directory)) {
    std::string path = child(directory, name);
    const Entry entry = outcome->tree.at(path);
    if (entry.isDirectory) {
      if (source.size() + name.size() + 1 > kLongestPath) {
        printed(outcome, "Could not remove temporary sub-directory.");
        continue;
      }
      modelRemove(source + name, kPathBufferSize, path, outcome);
      if (holdsAnything(outcome->tree, path)) {
        printed(outcome, "Could not remove temporary sub-directory.");
      } else {
        outcome->tree.erase(path);
      }
    } else if (source.size() + name.size() > kLongestPath) {
      printed(outcome, "Unable to remove temp file " + source + name);
    } else if (entry.locked) {
      printed(outcome, "Unable to remove temp file " + source + name);
      if ((entry.attributes & fake::kAttributeReadOnly) != 0) {
        outcome->tree[path].attributes = fake::kAttributeNormal;
      }
    } else {
      outcome->tree.erase(path);
    }
  }
}

bool sameTree(const Tree& a, const Tree& b) {
  if (a.size() != b.size()) return false;
  for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
    if (i->first != j->first || i->second.isDirectory != j->second.isDirectory ||
        i->second.content != j->second.content || i->second.attributes != j->second.attributes ||
        i->second.locked != j->second.locked) {
      return false;
    }
  }
  return true;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

void fuzzStagingName(FuzzedDataProvider& input) {
  fake::reset();
  fake::State& state = fake::state();
  std::string root;
  switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: root = "C:\\"; break;
    case 1: root = ""; break;
    default: root = paddedPath("C:", input.ConsumeIntegralInRange<size_t>(3, 270)); break;
  }
  if (input.ConsumeBool()) fake::addDirectory(root);
  std::string base = root;
  if (!base.empty() && base.back() != '\\') base += '\\';
  state.nextTempNumber = input.ConsumeIntegral<unsigned>();
  for (int taken = input.ConsumeIntegralInRange(0, 3), i = 0; i < taken; ++i) {
    char name[32];
    snprintf(name, sizeof name, "QNT%X.tmp", (state.nextTempNumber + i) & 0xFFFF);
    fake::addFile(base + name, "");
  }
  size_t size = input.ConsumeIntegralInRange<size_t>(0, 300);
  auto it = state.nodes.find(fake::absolutePath(root));
  bool rootIsDirectory = it != state.nodes.end() && it->second.isDirectory;
  std::map<std::string, fake::Node> before = state.nodes;

  // Exactly `size` bytes, so that AddressSanitizer sees any write past them.
  std::unique_ptr<char[]> buffer(new char[size]);
  makeStagingName(root.c_str(), buffer.get(), size);

  FUZZ_CHECK(state.nodes.size() == before.size(), "the reservation file is deleted at once");
  if (size == 0) return;
  size_t length = strnlen(buffer.get(), size);
  FUZZ_CHECK(length < size, "the name is terminated inside its buffer");
  std::string name(buffer.get(), length);
  if (size < 2) {
    FUZZ_CHECK(name.empty(), "a buffer too small for the separator gets an empty text");
    return;
  }
  size_t longest = base.size() + strlen("QNTFFFF.tmp");
  if (name == "\\") {
    FUZZ_CHECK(!rootIsDirectory || longest > kLongestPath || longest + 2 > size,
               "a name that fits is not dropped");
    return;
  }
  FUZZ_CHECK(name.compare(0, base.size(), base) == 0 && name.compare(base.size(), 3, "QNT") == 0,
             "the name is in the system root and starts with QNT");
  std::string number = name.substr(base.size() + 3);
  size_t digits = 0;
  while (digits < number.size() && isHexDigit(number[digits])) ++digits;
  FUZZ_CHECK(digits >= 1 && digits <= 4 && number.substr(digits) == ".tmp\\",
             "one to four hexadecimal digits, .tmp and the separator");
}

void fuzzTreeWalk(FuzzedDataProvider& input) {
  fake::reset();
  std::string sourceRoot = paddedPath("D:\\cd", input.ConsumeIntegralInRange<size_t>(0, 262));
  std::string targetRoot = paddedPath("C:\\QNT1A2.tmp", input.ConsumeIntegralInRange<size_t>(0, 262));
  Tree tree = buildTree(input);
  addToFake(sourceRoot, tree);
  fake::addDirectory(targetRoot);
  targetRoot += "\\";
  if (sourceRoot.size() >= kSourceBufferSize) return;

  std::unique_ptr<char[]> source(new char[kSourceBufferSize]);
  memcpy(source.get(), sourceRoot.c_str(), sourceRoot.size() + 1);
  Outcome copy;
  bool copied = modelCopy(tree, sourceRoot, kSourceBufferSize, targetRoot, "", &copy);
  int result = walkTree(source.get(), kSourceBufferSize, targetRoot.c_str());
  fake::State& state = fake::state();
  FUZZ_CHECK(result == (copied ? 0 : 1), "a copy succeeds exactly when every path fits");
  FUZZ_CHECK(state.console == copy.console, "the copy's messages, innermost first");
  FUZZ_CHECK(sameTree(treeInFake(targetRoot), copy.tree),
             copied ? "the whole tree is copied, every copy writable" : "a failed copy stops at its failure");
  FUZZ_CHECK(sameTree(treeInFake(sourceRoot), tree), "the copy leaves its source alone");
  FUZZ_CHECK(state.listings.empty(), "every listing is closed");

  state.console.clear();
  memcpy(source.get(), sourceRoot.c_str(), sourceRoot.size() + 1);
  Outcome removal;
  removal.tree = tree;
  modelRemove(sourceRoot, kSourceBufferSize, "", &removal);
  FUZZ_CHECK(walkTree(source.get(), kSourceBufferSize, nullptr) == 0, "removal goes on past failures");
  FUZZ_CHECK(state.console == removal.console, "one message for each entry left behind");
  FUZZ_CHECK(sameTree(treeInFake(sourceRoot), removal.tree), "everything that can go is removed");
  FUZZ_CHECK(state.listings.empty(), "every listing is closed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  fuzzStagingName(input);
  fuzzTreeWalk(input);
  return 0;
}
