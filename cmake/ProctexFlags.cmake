# Compile options every proctex target shares. Results must be bit-exact, so
# the compiler may neither fuse multiply-adds nor relax IEEE semantics.
function(proctex_set_flags target)
    target_compile_options(${target} PRIVATE
        -ffp-contract=off -fno-fast-math
        # A float passed where an int is meant (or the reverse) must not
        # compile silently: the argument lists mix both.
        -Wall -Wextra -Wconversion)
    if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # GCC cannot keep the Win64 stack 32-byte aligned for spilled AVX
        # registers; the assembler turns its aligned vector moves into
        # unaligned ones, so the AVX2 kernels cannot fault on a misaligned
        # stack slot.
        target_compile_options(${target} PRIVATE -Wa,-muse-unaligned-vector-move)
    endif()
endfunction()

# Sanitizer builds: PROCTEX_SANITIZE=address (AddressSanitizer with
# UndefinedBehaviorSanitizer, float-to-int overflow included, every finding
# fatal) or thread (ThreadSanitizer). Applies to every target of the build.
set(PROCTEX_SANITIZE "" CACHE STRING "Sanitizer build: address, thread or empty")
if(NOT PROCTEX_SANITIZE STREQUAL "")
    # Line tables are all a report's stack needs; full debug info only
    # slows the build.
    add_compile_options(-g1)
endif()
if(PROCTEX_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fsanitize=float-cast-overflow
                        -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(PROCTEX_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT PROCTEX_SANITIZE STREQUAL "")
    message(FATAL_ERROR "PROCTEX_SANITIZE must be address, thread or empty")
endif()
