#include "platform/dynlib.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "platform/ftdi.h"
#include "platform/wdusb.h"

namespace vx::platform {
namespace {

struct BuiltinName {
  std::string name;  // lower case
  BuiltinLibrary entries;
};

const BuiltinName builtin_libraries[] = {
    {"vxusbv1.dll", ftdi_library_entry},
    {"vxusbmgr.dll", wdusb_library_entry},
    {"wdapi900.dll", wdusb_library_entry},
};

struct LoadedLibrary {
  std::string builtin_name;  // empty for a dlopen library
  BuiltinLibrary entries = nullptr;
  void* dl_handle = nullptr;
};

struct DynlibState {
  std::map<LibraryHandle, LoadedLibrary> loaded;
  LibraryHandle next_handle = 1;
  std::set<std::string> hidden_libraries;
  std::set<std::pair<std::string, std::string>> hidden_entries;
  std::vector<BuiltinName> registered;
};

DynlibState state;

std::string lower(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return result;
}

std::string_view file_part(std::string_view name) {
  const std::size_t separator = name.find_last_of("/\\");
  return separator == std::string_view::npos ? name : name.substr(separator + 1);
}

const BuiltinName* find_builtin(std::string_view file_name) {
  const std::string wanted = lower(file_part(file_name));
  for (const BuiltinName& candidate : builtin_libraries) {
    if (candidate.name == wanted) return &candidate;
  }
  for (const BuiltinName& candidate : state.registered) {
    if (candidate.name == wanted) return &candidate;
  }
  return nullptr;
}

}  // namespace

LibraryHandle load_library(const std::string& file_name) {
  LoadedLibrary library;
  if (const BuiltinName* builtin = find_builtin(file_name)) {
    library.builtin_name = builtin->name;
    if (state.hidden_libraries.contains(library.builtin_name)) return 0;
    library.entries = builtin->entries;
  } else {
    library.dl_handle = dlopen(file_name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.dl_handle == nullptr) return 0;
  }
  const LibraryHandle handle = state.next_handle++;
  state.loaded.emplace(handle, std::move(library));
  return handle;
}

void* library_entry(LibraryHandle library, std::string_view name) {
  const auto found = state.loaded.find(library);
  if (found == state.loaded.end()) return nullptr;
  const LoadedLibrary& loaded = found->second;
  if (loaded.dl_handle != nullptr) return dlsym(loaded.dl_handle, std::string(name).c_str());
  if (state.hidden_entries.contains({loaded.builtin_name, std::string(name)})) return nullptr;
  return loaded.entries(name);
}

void free_library(LibraryHandle library) {
  const auto found = state.loaded.find(library);
  if (found == state.loaded.end()) return;
  if (found->second.dl_handle != nullptr) dlclose(found->second.dl_handle);
  state.loaded.erase(found);
}

void register_builtin_library(std::string_view name, BuiltinLibrary entries) {
  state.registered.push_back({lower(file_part(name)), entries});
}

void unregister_builtin_library(std::string_view name) {
  const std::string wanted = lower(file_part(name));
  std::erase_if(state.registered, [&](const BuiltinName& candidate) { return candidate.name == wanted; });
}

void hide_builtin_library(std::string_view name) { state.hidden_libraries.insert(lower(file_part(name))); }

void hide_builtin_entry(std::string_view library, std::string_view entry) {
  state.hidden_entries.insert({lower(file_part(library)), std::string(entry)});
}

void reset_dynlib() {
  for (auto& [handle, library] : state.loaded) {
    if (library.dl_handle != nullptr) dlclose(library.dl_handle);
  }
  state = DynlibState{};
}

}  // namespace vx::platform
