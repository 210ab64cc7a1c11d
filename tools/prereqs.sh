# Sourced by the scripts in tools/: checks what a fresh Debian machine needs and
# names the packages to install when something is missing.
QV_VECTORS=/usr/lib/python3/dist-packages/cryptography_vectors/hashes
QV_PACKAGES="cmake ninja-build g++ googletest libgtest-dev libssl-dev python3-cryptography-vectors g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 clang lld llvm libbenchmark-dev g++-multilib libssl-dev:i386 libbenchmark-dev:i386 gnuplot-nox"
# Fuzzing, memcheck, and the locales that give Wine other code pages.
QV_PACKAGES+=" libclang-rt-14-dev valgrind locales"
# The language wrappers' tests (C# on Mono, Free Pascal) and the consumer build test (pkg-config).
QV_PACKAGES+=" mono-mcs mono-runtime fp-compiler fp-units-fcl pkgconf"

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
            # The benchmarks: Google Benchmark, and the 32-bit build's compiler and libraries.
            benchmark) [[ -f /usr/include/benchmark/benchmark.h ]] || missing+=("libbenchmark-dev") ;;
            benchmark32) [[ -e /usr/lib/i386-linux-gnu/libbenchmark.so ]] || missing+=("libbenchmark-dev:i386") ;;
            openssl32) [[ -e /usr/lib/i386-linux-gnu/libcrypto.so ]] || missing+=("libssl-dev:i386") ;;
            multilib) [[ -d /usr/lib/gcc/x86_64-linux-gnu/12/32 ]] || missing+=("g++-multilib") ;;
            gnuplot) command -v gnuplot >/dev/null || missing+=("gnuplot-nox") ;;
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
