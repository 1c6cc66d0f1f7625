// Shared pieces of the fuzz harnesses: a scratch folder per process, the
// input written to a file there (the readers take file names), and standard
// error silenced so the readers' progress lines do not flood the fuzzer log.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/types.h"

namespace fuzzutil {

inline const std::string& scratchDir() {
  // Never destroyed, so the exit handler that removes the folder can use it.
  static const std::string* dir = [] {
    char tmpl[] = "/tmp/trivanex-fuzz-XXXXXX";
    const char* made = mkdtemp(tmpl);
    if (!made) std::abort();
    auto* path = new std::string(made);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(*dir, ignored);
    });
    return path;
  }();
  return *dir;
}

inline std::string writeScratch(const std::string& name, const char* data, size_t size) {
  const std::string path = scratchDir() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, (std::streamsize)size);
  out.close();
  if (!out) std::abort();
  return path;
}

inline std::string writeScratch(const std::string& name, const std::string& content) {
  return writeScratch(name, content.data(), content.size());
}

// Standard error goes to a sink for the harness's lifetime; libFuzzer and the
// sanitizers write to the file descriptor, not through std::cerr.
inline void silenceCerr() {
  static std::ostringstream sink;
  static std::streambuf* saved = std::cerr.rdbuf(sink.rdbuf());
  (void)saved;
  sink.str("");
  sink.clear();
}

// Splits the input at its first line break: the head line (for example the
// identifiers of the run) and the body (the file to read).
inline void splitHead(const uint8_t* data, size_t size, std::string& head, std::string& body) {
  const std::string all(reinterpret_cast<const char*>(data), size);
  const size_t nl = all.find('\n');
  if (nl == std::string::npos) {
    head = all;
    body.clear();
  } else {
    head = all.substr(0, nl);
    body = all.substr(nl + 1);
  }
}

// Whitespace-separated tokens of a text, at most `limit` of them.
inline VecStr tokens(const std::string& text, size_t limit = 64) {
  VecStr out;
  std::istringstream in(text);
  std::string t;
  while (out.size() < limit && in >> t) out.push_back(t);
  return out;
}

}  // namespace fuzzutil
