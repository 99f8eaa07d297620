// The memory of a parse: its tree's array in blocks that a thread keeps for the next compile, the large ones
// mapped on their own and asked for large pages.
#pragma once

#include <cstddef>

namespace plang::parse_memory {

// A request of at least this many bytes gets a mapping of its own; a smaller one comes from operator new.
inline constexpr std::size_t mapped_from = std::size_t(1) << 20;

// A block of at least `bytes`. A large block is a whole number of 2 MB pages aligned to 2 MB, asked for as
// large pages: a 5,000-line script's tree (about 4 MB) then costs two page faults instead of a thousand.
void* allocate(std::size_t bytes);
// Gives back a block that `allocate(bytes)` gave, on the same thread. The thread keeps its largest mapped
// block for the next parse and unmaps it when it ends.
void release(void* block, std::size_t bytes) noexcept;

}  // namespace plang::parse_memory
