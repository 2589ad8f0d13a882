#!/usr/bin/env bash
# Installs the Debian packages the build needs, if any is missing.
#   install_dependencies.sh            native build and tests
#   install_dependencies.sh --windows  also the mingw-w64 cross compiler, wine and
#                                      python3-pefile
#   install_dependencies.sh --clang    also clang, its sanitizer and fuzzer runtimes
#                                      and clang-format (CI, scripts/fuzz.sh)
#   install_dependencies.sh --lint     also clang-format and shellcheck
#   install_dependencies.sh --coverage also gcovr
#   install_dependencies.sh --ansible  also ansible-core (the playbook check)
# The options combine.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev ipxe-qemu nlohmann-json3-dev)
for option in "$@"; do
    case "$option" in
        # wine64 only recommends wine, which holds the wine and winepath
        # commands. The 32-bit compiler only builds; nothing 32-bit runs here
        # (no wine32).
        # python3-pefile reads the executables' version resource and manifest.
        --windows) packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 python3-pefile) ;;
        # libclang-rt-dev (only recommended by clang) holds the sanitizer
        # and libFuzzer runtimes of the fuzz targets.
        --clang) packages+=(clang clang-format libclang-rt-dev) ;;
        --lint) packages+=(clang-format shellcheck) ;;
        --coverage) packages+=(gcovr) ;;
        --ansible) packages+=(ansible-core) ;;
        *) echo "install_dependencies: unknown option $option" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ "$(id -u)" -ne 0 ]] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
