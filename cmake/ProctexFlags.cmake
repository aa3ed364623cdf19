# Compile options every proctex target shares. Results must be bit-exact, so
# the compiler may neither fuse multiply-adds nor relax IEEE semantics.
function(proctex_set_flags target)
    target_compile_options(${target} PRIVATE
        -ffp-contract=off -fno-fast-math
        -Wall -Wextra)
endfunction()
