# Sourced by the window tests. asan_preload PROGRAM prints what LD_PRELOAD
# must hold for PROGRAM built with AddressSanitizer, or nothing otherwise:
# the sanitizer's runtime, then Mesa's software OpenGL driver
# (swrast_dri.so, llvmpipe). SDL unloads that driver when its window (or
# the program's probe of OpenGL) closes, which orphans a small block the
# driver still held, and the leak check at exit, which can then no longer
# name the unloaded driver, would blame it on nobody. Kept loaded, the block
# stays reachable; our own allocations are checked as before.
asan_preload() {
    ldd "$1" | grep -q 'libasan\.so' || return 0
    local asan_lib swrast
    asan_lib=$(ldd "$1" | awk '/libasan\.so/ {print $3; exit}')
    for swrast in /usr/lib/x86_64-linux-gnu/dri/swrast_dri.so /usr/lib/*/dri/swrast_dri.so; do
        if [ -f "$swrast" ]; then
            echo "$asan_lib $swrast"
            return 0
        fi
    done
}
