#pragma once
// Running out of memory, the program's one policy. Where the program has something
// to do without the memory, the allocation goes through TryAllocate and the caller
// says there what it does instead: the HTTP client's copy of the post data (its
// failure is reported, and PostForm then sends nothing in that attempt), its buffers
// for the response's header and body and the decoded text, which is kept without
// another copy, and the copy of the reply that PostForm hands back; a diagnostic
// line copies only as much of a reply as it shows. Nowhere else is std::bad_alloc
// caught: any other failed allocation ends the program.

#include <new>

// Runs `allocate`; false, instead of the exception, when memory ran out.
template <typename Allocate>
[[nodiscard]] bool TryAllocate(Allocate&& allocate) noexcept {
    try {
        allocate();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
