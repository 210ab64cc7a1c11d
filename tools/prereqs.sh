# Sourced by the scripts in tools/: checks what a fresh Debian machine needs and
# names the packages to install when something is missing.
QV_VECTORS=/usr/lib/python3/dist-packages/cryptography_vectors/hashes
QV_PACKAGES="cmake ninja-build g++ googletest libgtest-dev libssl-dev python3-cryptography-vectors g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 clang lld llvm"
# Fuzzing, memcheck, and the locales that give Wine other code pages.
QV_PACKAGES+=" libclang-rt-14-dev valgrind locales"

qv_require() {
    local missing=()
    local what
    for what in "$@"; do
        case "$what" in
            vectors) [[ -d "$QV_VECTORS" ]] || missing+=("python3-cryptography-vectors") ;;
            gtest) [[ -d /usr/src/googletest ]] || missing+=("googletest libgtest-dev") ;;
            openssl) [[ -f /usr/include/openssl/evp.h ]] || missing+=("libssl-dev") ;;
            wine)
                command -v wine >/dev/null || missing+=("wine wine32:i386 (after: dpkg --add-architecture i386)")
                [[ -e /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll ]] || missing+=("wine32:i386 (after: dpkg --add-architecture i386)")
                ;;
            wine64) [[ -x /usr/lib/wine/wine64 ]] || missing+=("wine64") ;;
            fuzzer) compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
                missing+=("libclang-rt-14-dev") ;;
            *) command -v "$what" >/dev/null || missing+=("$what") ;;
        esac
    done
    if ((${#missing[@]})); then
        echo "missing on this machine:" >&2
        printf '  %s\n' "${missing[@]}" >&2
        echo "install everything with: sudo bash .ci/run --install-only" >&2
        echo "(or: apt-get install $QV_PACKAGES)" >&2
        exit 1
    fi
}
