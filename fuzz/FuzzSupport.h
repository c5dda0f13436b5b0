#pragma once
// Shared by the fuzz targets: a private sysroot and HOME under /dev/shm (or /tmp), and
// the split of one input into the files a parser reads together.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace orb::fuzz {

// A fresh directory made once per process; files written into it replace each other.
const std::string &scratchRoot();
// Writes `bytes` to <scratchRoot()><machinePath>, creating the directories.
void putFile(std::string_view machinePath, std::string_view bytes);
// The input up to the first 0x01 byte and the rest after it (empty without one).
std::pair<std::string_view, std::string_view> splitInput(const uint8_t *data, size_t size);
// Quiet logging and HOME/XDG under the scratch root; call from LLVMFuzzerInitialize.
void initialize(int *argc, char ***argv);

} // namespace orb::fuzz
